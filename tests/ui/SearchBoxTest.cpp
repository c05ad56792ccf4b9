#include "UiTestSupport.h"

#include "ui/ClearableSearchComponent.h"
#include "ui/Theme.h"

using namespace ui_test;

namespace
{
struct SearchBoxFixture : ::testing::Test
{
    void SetUp() override
    {
        applyTheme(0);
        box.setBounds(0, 0, 200, 35);
        box.onTextChanged = [this] { changes.add(box.editor.getText()); };
    }

    void type(const juce::String& text)
    {
        for (auto c : text)
            box.editor.keyPressed(juce::KeyPress(0, 0, c));
    }

    ClearableSearchComponent box { "Search device..." };
    juce::StringArray changes;
};
} // namespace

TEST_F(SearchBoxFixture, IconSquareAndEditorAreaInTheHeadersBox)
{
    EXPECT_EQ(box.searchIcon.getBounds(), juce::Rectangle<int>(173, 8, 19, 19));
    EXPECT_EQ(box.clearButton.getBounds(), juce::Rectangle<int>(173, 8, 19, 19));
    EXPECT_EQ(box.editor.getBounds(), juce::Rectangle<int>(12, 0, 153, 35));

    // Degenerate sizes keep every size at zero or more.
    box.setBounds(0, 0, 10, 35);
    EXPECT_GE(box.editor.getWidth(), 0);
    EXPECT_GE(box.clearButton.getWidth(), 0);
}

TEST_F(SearchBoxFixture, FirstCharacterSwapsInTheClearButtonAndTheLastOneSwapsItBack)
{
    type("a");
    ASSERT_TRUE(pumpUntil([&] { return changes.size() == 1; }));
    EXPECT_FALSE(box.searchIcon.isVisible());
    EXPECT_TRUE(box.clearButton.isVisible());

    box.editor.keyPressed(juce::KeyPress(juce::KeyPress::backspaceKey));
    ASSERT_TRUE(pumpUntil([&] { return changes.size() == 2; }));
    EXPECT_EQ(changes[1], "");
    EXPECT_TRUE(box.searchIcon.isVisible());
    EXPECT_FALSE(box.clearButton.isVisible());
}

TEST_F(SearchBoxFixture, ClearButtonClickEmptiesTheTextAndReportsOnce)
{
    UI_REQUIRE_DISPLAY();
    TestWindow window(box, 300, 100);
    Mouse mouse(window);

    type("Brelm");
    ASSERT_TRUE(pumpUntil([&] { return changes.size() == 5; }));
    changes.clear();

    mouse.click(mouse.centreOf(box.clearButton));
    ASSERT_TRUE(pumpUntil([&] { return changes.size() >= 1; }));
    pumpBriefly();
    EXPECT_EQ(changes, juce::StringArray(""));
    EXPECT_TRUE(box.editor.getText().isEmpty());
    EXPECT_TRUE(box.searchIcon.isVisible());
    EXPECT_FALSE(box.clearButton.isVisible());
}

