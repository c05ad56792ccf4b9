#include "ui/CustomLookAndFeel.h"

#include "ui/EmbeddedResources.h"
#include "ui/Theme.h"

namespace
{
constexpr float cornerSize = 8.0f;

// The device table's optional columns; their menu items get a tick box.
const juce::StringArray& columnMenuItemNames()
{
    static const juce::StringArray names { "Model", "Version", "Web access", "NET 1", "NET 2" };
    return names;
}
} // namespace

void CustomLookAndFeel::RoundedCornerMask::applyEffect(juce::Image& sourceImage, juce::Graphics& destContext,
                                                       float scaleFactor, float alpha)
{
    juce::Path clip;
    clip.addRoundedRectangle(0.0f, 0.0f, static_cast<float>(sourceImage.getWidth()),
                             static_cast<float>(sourceImage.getHeight()), cornerSize * scaleFactor);
    destContext.reduceClipRegion(clip);
    destContext.setOpacity(alpha);
    destContext.drawImageAt(sourceImage, 0, 0, false);
}

CustomLookAndFeel::CustomLookAndFeel()
{
    typeface = juce::Typeface::createSystemTypefaceFor(EmbeddedResources::varelaFontData(),
                                                       static_cast<size_t>(EmbeddedResources::varelaFontSize()));
    setColourScheme();
}

CustomLookAndFeel::~CustomLookAndFeel()
{
    typeface = nullptr;
}

void CustomLookAndFeel::setColourScheme()
{
    const auto transparent = juce::Colours::transparentBlack;

    setColour(accentColourId, accentBlue);
    setColour(separatorColourId, neutralGrey);
    setColour(foregroundColourId, themeForeground);
    setColour(juce::ResizableWindow::backgroundColourId, themeBackground);
    setColour(juce::TableHeaderComponent::outlineColourId, transparent);
    setColour(juce::TableHeaderComponent::backgroundColourId, transparent);
    setColour(juce::TableHeaderComponent::textColourId, themeForeground);
    setColour(juce::ListBox::backgroundColourId, transparent);
    setColour(juce::ListBox::outlineColourId, transparent);
    setColour(juce::ListBox::textColourId, themeForeground);
    setColour(juce::ScrollBar::thumbColourId, neutralGrey);
    setColour(juce::TextButton::buttonColourId, mintGreen);
    setColour(juce::TextButton::textColourOnId, nearBlack);
    setColour(juce::TextButton::textColourOffId, nearBlack);
    setColour(juce::TextEditor::textColourId, themeForeground);
    setColour(juce::TextEditor::highlightColourId, accentBlue);
    setColour(juce::Label::textColourId, themeBackground);
    setColour(juce::PopupMenu::backgroundColourId, transparent);
}

juce::Typeface::Ptr CustomLookAndFeel::getTypefaceForFont(const juce::Font& font)
{
    if (typeface != nullptr)
        return typeface;
    return juce::LookAndFeel::getTypefaceForFont(font);
}

void CustomLookAndFeel::fillTextEditorBackground(juce::Graphics& g, int width, int height, juce::TextEditor& editor)
{
    g.setColour(editor.findColour(juce::TextEditor::backgroundColourId));
    g.fillRoundedRectangle(0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height), cornerSize);
}

void CustomLookAndFeel::drawTextEditorOutline(juce::Graphics& g, int width, int height, juce::TextEditor& editor)
{
    const bool focused = editor.hasKeyboardFocus(true) && !editor.isReadOnly();
    if (focused)
    {
        // As broad as the focus mark of every other control, or a thin blue line reads fainter than the plain one.
        g.setColour(editor.findColour(juce::TextEditor::focusedOutlineColourId));
        g.drawRoundedRectangle(juce::Rectangle<float>((float) width, (float) height).reduced(1.0f), cornerSize, 2.0f);
        return;
    }
    g.setColour(editor.findColour(juce::TextEditor::outlineColourId));
    g.drawRoundedRectangle(0.5f, 0.5f, static_cast<float>(juce::jmax(0, width - 1)),
                           static_cast<float>(juce::jmax(0, height - 1)), cornerSize, 1.0f);
}

void CustomLookAndFeel::drawPopupMenuBackground(juce::Graphics& g, int width, int height)
{
    g.setColour(themeBackground);
    g.fillRoundedRectangle(0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height), cornerSize);
    g.setColour(themeForeground);
    g.drawRoundedRectangle(0.5f, 0.5f, static_cast<float>(juce::jmax(0, width - 1)),
                           static_cast<float>(juce::jmax(0, height - 1)), cornerSize, 1.0f);
}

void CustomLookAndFeel::drawPopupMenuItem(juce::Graphics& g, const juce::Rectangle<int>& area, bool isSeparator,
                                          bool isActive, bool isHighlighted, bool isTicked, bool /*hasSubMenu*/,
                                          const juce::String& text, const juce::String& /*shortcutKeyText*/,
                                          const juce::Drawable* /*icon*/, const juce::Colour* /*textColour*/)
{
    if (isSeparator)
        return;

    const auto base = themeForeground;
    if (isHighlighted && isActive)
    {
        g.setColour(base.withAlpha(0.1f));
        g.fillRect(area);
    }

    const bool hasTickBox = columnMenuItemNames().contains(text);
    const auto textArea = area.withTrimmedLeft(hasTickBox ? 36 : 12);

    if (hasTickBox)
    {
        const auto boxX = static_cast<float>(area.getX() + 12);
        const auto boxY = static_cast<float>((area.getY() + area.getHeight() / 2) - 8);
        g.setColour(base.withAlpha(0.4f));
        g.drawRoundedRectangle(boxX, boxY, 16.0f, 16.0f, 3.0f, 1.0f);
        if (isTicked)
        {
            g.setColour(base);
            g.fillRoundedRectangle(boxX + 3.0f, boxY + 3.0f, 10.0f, 10.0f, 2.0f);
        }
    }

    g.setColour(base.withAlpha(isActive ? 0.9f : 0.4f));
    g.setFont(juce::Font(17.0f, juce::Font::plain));
    g.drawText(text, textArea, juce::Justification::centredLeft, true);
}

void CustomLookAndFeel::getIdealPopupMenuItemSize(const juce::String& text, bool isSeparator,
                                                  int standardMenuItemHeight, int& idealWidth, int& idealHeight)
{
    juce::LookAndFeel_V4::getIdealPopupMenuItemSize(text, isSeparator, standardMenuItemHeight, idealWidth,
                                                    idealHeight);
    if (!isSeparator)
        idealHeight = juce::jmax(idealHeight, 34);
}

void CustomLookAndFeel::preparePopupMenuWindow(juce::Component& newWindow)
{
    newWindow.setComponentEffect(&roundedCornerMask);
}

int CustomLookAndFeel::getPopupMenuBorderSizeWithOptions(const juce::PopupMenu::Options&)
{
    // The rounded background and the corner mask make the frame; items reach the edge.
    return 0;
}

void CustomLookAndFeel::drawTableHeaderColumn(juce::Graphics& g, juce::TableHeaderComponent& header,
                                              const juce::String& columnName, int /*columnId*/, int width,
                                              int height, bool /*isMouseOver*/, bool /*isMouseDown*/,
                                              int columnFlags)
{
    g.setColour(header.findColour(juce::TableHeaderComponent::textColourId));
    g.setFont(juce::Font(17.0f, juce::Font::plain));
    g.drawText(columnName, juce::Rectangle<int>(0, 0, width - 20, height), juce::Justification::centredLeft, true);

    const bool forwards = (columnFlags & juce::TableHeaderComponent::sortedForwards) != 0;
    const bool backwards = (columnFlags & juce::TableHeaderComponent::sortedBackwards) != 0;
    if (!forwards && !backwards)
        return;

    const float textWidth = g.getCurrentFont().getStringWidthFloat(columnName);
    // The triangle follows the title but never starts more than 2 pixels right of the text area.
    const float x = juce::jmin(textWidth + 8.0f, static_cast<float>(width - 20) + 2.0f);
    const float top = static_cast<float>(height - 5) * 0.5f;

    juce::Path triangle;
    if (forwards)
        triangle.addTriangle(x, top, x + 10.0f, top, x + 5.0f, top + 5.0f);
    else
        triangle.addTriangle(x, top + 5.0f, x + 10.0f, top + 5.0f, x + 5.0f, top);

    g.setColour(header.findColour(juce::TableHeaderComponent::textColourId));
    g.fillPath(triangle);
}
