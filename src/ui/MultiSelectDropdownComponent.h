#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <vector>

/** A captioned box summing up its selected options; a click opens a floating list of checkable rows. */
class MultiSelectDropdownComponent : public juce::Component
{
public:
    struct Option
    {
        int id = 0;
        juce::String label;
        bool selected = false;
    };

    class OptionRow;
    class DropdownOverlay;

    explicit MultiSelectDropdownComponent(const juce::String& title);
    ~MultiSelectDropdownComponent() override;

    /** Opens the option list over the whole top-level window. */
    void showOverlay();

    /** The summary shown in the box: the selected labels joined by ", ", or "All". */
    juce::String summaryText() const;

    std::function<void(int, bool)> onOptionToggled;
    juce::String title;
    std::vector<Option> options;
    std::unique_ptr<DropdownOverlay> overlay;
    bool hovered = false;

    void mouseEnter(const juce::MouseEvent& e) override;
    void mouseExit(const juce::MouseEvent& e) override;
    void mouseDown(const juce::MouseEvent& e) override;
    void paint(juce::Graphics& g) override;

private:
    void closeOverlay();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MultiSelectDropdownComponent)
};

/** One checkable line of the open list; keeps its own copy of the selected state. */
class MultiSelectDropdownComponent::OptionRow : public juce::Component
{
public:
    OptionRow(const juce::String& label, bool selected);

    std::function<void(bool)> onToggle;
    juce::String label;
    bool selected = false;
    bool hovered = false;

    void mouseEnter(const juce::MouseEvent& e) override;
    void mouseExit(const juce::MouseEvent& e) override;
    void mouseUp(const juce::MouseEvent& e) override;
    void paint(juce::Graphics& g) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(OptionRow)
};

/** The transparent layer over the window that holds the rows and closes the list on a click elsewhere. */
class MultiSelectDropdownComponent::DropdownOverlay : public juce::Component
{
public:
    DropdownOverlay(const std::vector<Option>& options, juce::Rectangle<int> anchorScreenBounds,
                    std::function<void(int, bool)> onToggle, std::function<void()> onDismiss);

    juce::OwnedArray<OptionRow> rows;
    juce::Rectangle<int> anchorScreenBounds;
    std::function<void()> onDismiss;

    void mouseDown(const juce::MouseEvent& e) override;
    void mouseWheelMove(const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override;
    void resized() override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(DropdownOverlay)
};
