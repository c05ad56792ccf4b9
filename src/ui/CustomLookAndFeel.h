#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The whole window's look: both themes' colours, the embedded typeface, rounded menus and editors. */
class CustomLookAndFeel : public juce::LookAndFeel_V4
{
public:
    enum ColourIds
    {
        accentColourId = 0x2000001,
        separatorColourId = 0x2000002,
        foregroundColourId = 0x2000003
    };

    /** Cuts the 8-pixel rounded corners out of a popup-menu window's image. */
    class RoundedCornerMask : public juce::ImageEffectFilter
    {
    public:
        void applyEffect(juce::Image& sourceImage, juce::Graphics& destContext, float scaleFactor,
                         float alpha) override;
        ~RoundedCornerMask() override {}
    };

    CustomLookAndFeel();
    ~CustomLookAndFeel() override;

    /** Sets this look-and-feel's colours from the current theme variables. */
    void setColourScheme();

    /** True when the embedded typeface could be created. */
    bool hasEmbeddedTypeface() const { return typeface != nullptr; }

    juce::Typeface::Ptr getTypefaceForFont(const juce::Font& font) override;

    void fillTextEditorBackground(juce::Graphics& g, int width, int height, juce::TextEditor& editor) override;
    void drawTextEditorOutline(juce::Graphics& g, int width, int height, juce::TextEditor& editor) override;

    void drawPopupMenuBackground(juce::Graphics& g, int width, int height) override;
    void drawPopupMenuItem(juce::Graphics& g, const juce::Rectangle<int>& area, bool isSeparator, bool isActive,
                           bool isHighlighted, bool isTicked, bool hasSubMenu, const juce::String& text,
                           const juce::String& shortcutKeyText, const juce::Drawable* icon,
                           const juce::Colour* textColour) override;
    void getIdealPopupMenuItemSize(const juce::String& text, bool isSeparator, int standardMenuItemHeight,
                                   int& idealWidth, int& idealHeight) override;
    void preparePopupMenuWindow(juce::Component& newWindow) override;
    int getPopupMenuBorderSizeWithOptions(const juce::PopupMenu::Options& options) override;

    void drawTableHeaderColumn(juce::Graphics& g, juce::TableHeaderComponent& header, const juce::String& columnName,
                               int columnId, int width, int height, bool isMouseOver, bool isMouseDown,
                               int columnFlags) override;

private:
    RoundedCornerMask roundedCornerMask;
    juce::Typeface::Ptr typeface;
};
