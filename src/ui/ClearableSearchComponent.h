#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** A rounded one-line text box: a magnifier while empty, a clear button while it holds text. */
class ClearableSearchComponent : public juce::Component
{
public:
    explicit ClearableSearchComponent(const juce::String& placeholder);
    ~ClearableSearchComponent() override;

    /** Re-reads the theme colours and rebuilds both icons. */
    void updateColours();

    std::function<void()> onTextChanged;
    juce::String placeholder;
    juce::TextEditor editor;
    juce::DrawableButton clearButton { "ClearButton", juce::DrawableButton::ImageFitted };
    juce::DrawableButton searchIcon { "SearchIcon", juce::DrawableButton::ImageFitted };
    bool hovered = false;

    void mouseEnter(const juce::MouseEvent& e) override;
    void mouseExit(const juce::MouseEvent& e) override;
    void lookAndFeelChanged() override;
    void focusOfChildComponentChanged(FocusChangeType cause) override;
    void paint(juce::Graphics& g) override;
    void resized() override;

private:
    void updateHover();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ClearableSearchComponent)
};
