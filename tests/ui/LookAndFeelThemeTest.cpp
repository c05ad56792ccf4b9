#include "ui/CustomLookAndFeel.h"
#include "ui/EmbeddedResources.h"
#include "ui/Theme.h"

#include <gtest/gtest.h>

namespace
{
/** Makes a fresh CustomLookAndFeel the default for one test and puts everything back after. */
class ThemedTest : public ::testing::Test
{
protected:
    ThemedTest()
    {
        applyTheme(0);
        lf = std::make_unique<CustomLookAndFeel>();
        juce::LookAndFeel::setDefaultLookAndFeel(lf.get());
    }

    ~ThemedTest() override
    {
        juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
        applyTheme(0);
    }

    static juce::Image blank(int w, int h) { return juce::Image(juce::Image::ARGB, w, h, true); }

    std::unique_ptr<CustomLookAndFeel> lf;
};

juce::uint32 argb(const CustomLookAndFeel& lf, int id)
{
    return lf.findColour(id).getARGB();
}

int alphaAt(const juce::Image& image, int x, int y)
{
    return image.getPixelAt(x, y).getAlpha();
}

int maxAlphaIn(const juce::Image& image, juce::Rectangle<int> area)
{
    int best = 0;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            best = juce::jmax(best, alphaAt(image, x, y));
    return best;
}

const std::vector<std::pair<const char*, IconSource>>& allIcons()
{
    static const std::vector<std::pair<const char*, IconSource>> icons {
        { "settings", EmbeddedResources::settingsIconSvg() }, { "refresh", EmbeddedResources::refreshIconSvg() },
        { "filter", EmbeddedResources::filterIconSvg() },     { "clear", EmbeddedResources::clearIconSvg() },
        { "search", EmbeddedResources::searchIconSvg() },     { "edit", EmbeddedResources::editIconSvg() },
        { "info", EmbeddedResources::infoIconSvg() },
    };
    return icons;
}
} // namespace

TEST_F(ThemedTest, BothColourTablesAndTheirSwitch)
{
    struct Entry
    {
        int id;
        juce::uint32 light, dark;
    };
    constexpr juce::uint32 paper = 0xfffffcf6u, ink = 0xff131313u, accent = 0xff0680f9u, grey = 0xff6f6f6fu;
    const Entry table[] = {
        { CustomLookAndFeel::accentColourId, accent, accent },
        { CustomLookAndFeel::separatorColourId, grey, grey },
        { CustomLookAndFeel::foregroundColourId, ink, paper },
        { juce::ResizableWindow::backgroundColourId, paper, ink },
        { juce::TableHeaderComponent::outlineColourId, 0u, 0u },
        { juce::TableHeaderComponent::backgroundColourId, 0u, 0u },
        { juce::TableHeaderComponent::textColourId, ink, paper },
        { juce::ListBox::backgroundColourId, 0u, 0u },
        { juce::ListBox::outlineColourId, 0u, 0u },
        { juce::ListBox::textColourId, ink, paper },
        { juce::ScrollBar::thumbColourId, grey, grey },
        { juce::TextButton::buttonColourId, 0xff4fffafu, 0xff4fffafu },
        { juce::TextEditor::textColourId, ink, paper },
        { juce::TextEditor::highlightColourId, accent, accent },
        { juce::Label::textColourId, paper, ink },
        { juce::PopupMenu::backgroundColourId, 0u, 0u },
    };
    // Light at construction, dark after the switch, light again after switching back.
    for (int theme : { 0, 1, 0 })
    {
        applyTheme(theme);
        EXPECT_EQ(darkTheme, theme);
        EXPECT_EQ(themeBackground.getARGB(), theme == 0 ? paper : ink);
        EXPECT_EQ(themeForeground.getARGB(), theme == 0 ? ink : paper);
        for (const auto& e : table)
            EXPECT_EQ(argb(*lf, e.id), theme == 0 ? e.light : e.dark) << std::hex << e.id << " theme " << theme;
    }
}

TEST(Theme, EveryIconIsRecolouredCompletely)
{
    for (const auto& [name, source] : allIcons())
    {
        SCOPED_TRACE(name);
        for (auto colour : { nearBlack, offWhite, mintGreen })
        {
            auto drawable = createIconDrawable(source, colour);
            ASSERT_NE(drawable, nullptr);

            auto image = juce::Image(juce::Image::ARGB, 48, 48, true);
            {
                juce::Graphics g(image);
                drawable->drawWithin(g, { 0.0f, 0.0f, 48.0f, 48.0f }, juce::RectanglePlacement::centred, 1.0f);
            }

            int solid = 0;
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 48; ++x)
                {
                    const auto p = image.getPixelAt(x, y);
                    if (p.getAlpha() < 250)
                        continue;
                    ++solid;
                    // Premultiplied storage may round a channel by one.
                    ASSERT_NEAR(p.getRed(), colour.getRed(), 2) << x << "," << y;
                    ASSERT_NEAR(p.getGreen(), colour.getGreen(), 2) << x << "," << y;
                    ASSERT_NEAR(p.getBlue(), colour.getBlue(), 2) << x << "," << y;
                }
            EXPECT_GT(solid, 60);
        }
    }
}

TEST_F(ThemedTest, PopupItemsOfTheColumnMenuGetATickBox)
{
    const juce::Rectangle<int> area(0, 0, 200, 34);
    auto draw = [&](const juce::String& text, bool active, bool highlighted, bool ticked)
    {
        auto image = blank(200, 34);
        juce::Graphics g(image);
        lf->drawPopupMenuItem(g, area, false, active, highlighted, ticked, false, text, {}, nullptr, nullptr);
        return image;
    };

    // Box 16 x 16 at (12, 9); its top edge crosses rows 8 and 9, where text never reaches.
    const juce::Rectangle<int> boxTop(15, 8, 10, 2);
    const auto ticked = draw("NET 1", true, false, true);
    EXPECT_GT(maxAlphaIn(ticked, boxTop), 30);
    EXPECT_LE(maxAlphaIn(ticked, boxTop), 110);  // outline at 40 percent
    EXPECT_EQ(ticked.getPixelAt(20, 17), nearBlack);  // the 10 x 10 inner square

    const auto unticked = draw("Model", true, false, false);
    EXPECT_GT(maxAlphaIn(unticked, boxTop), 30);
    EXPECT_EQ(alphaAt(unticked, 20, 17), 0);

    for (const auto* other : { "net 1", "MODEL", "Device name" })
    {
        const auto plain = draw(other, true, false, true);
        EXPECT_EQ(maxAlphaIn(plain, boxTop), 0) << other;
        EXPECT_EQ(maxAlphaIn(plain, { 0, 0, 12, 34 }), 0) << other;  // text starts 12 px in
    }
    EXPECT_GT(maxAlphaIn(draw("Model", true, false, false), { 36, 0, 60, 34 }), 150);
    EXPECT_EQ(maxAlphaIn(draw("Model", true, false, false), { 29, 0, 7, 34 }), 0);  // text starts 36 px in
}

TEST_F(ThemedTest, TableHeaderColumnTitleAndSortTriangle)
{
    juce::TableHeaderComponent header;
    header.setColour(juce::TableHeaderComponent::textColourId, juce::Colours::blue);

    auto draw = [&](const juce::String& name, int width, int flags)
    {
        auto image = blank(width, 30);
        juce::Graphics g(image);
        lf->drawTableHeaderColumn(g, header, name, 1, width, 30, true, true, flags);
        return image;
    };

    // A long title is cut inside width - 20; the triangle starts 2 px right of the text area.
    const auto longTitle = draw("A very long column title indeed", 100, juce::TableHeaderComponent::sortedForwards);
    EXPECT_EQ(maxAlphaIn(longTitle, { 80, 0, 2, 30 }), 0);
    EXPECT_EQ(longTitle.getPixelAt(87, 13), juce::Colours::blue);  // triangle, pointing down
    EXPECT_EQ(alphaAt(longTitle, 83, 17), 0);
    EXPECT_EQ(maxAlphaIn(longTitle, { 93, 0, 7, 30 }), 0);

    const auto backwards = draw("A very long column title indeed", 100, juce::TableHeaderComponent::sortedBackwards);
    EXPECT_EQ(backwards.getPixelAt(87, 16), juce::Colours::blue);  // pointing up
    EXPECT_EQ(alphaAt(backwards, 83, 13), 0);

    // A short title: the triangle follows the text 8 px after it.
    const auto textWidth = juce::Font(17.0f).getStringWidthFloat("NET 1");
    const auto shortTitle = draw("NET 1", 150, juce::TableHeaderComponent::sortedForwards);
    const int x = (int) (textWidth + 8.0f);
    EXPECT_EQ(shortTitle.getPixelAt(x + 5, 13), juce::Colours::blue);
    EXPECT_EQ(maxAlphaIn(shortTitle, { x + 12, 0, 150 - x - 12, 30 }), 0);

    const auto unsorted = draw("NET 1", 150, 0);
    EXPECT_EQ(maxAlphaIn(unsorted, { x, 0, 150 - x, 30 }), 0);
    EXPECT_GT(maxAlphaIn(unsorted, { 0, 0, x, 30 }), 200);
}

