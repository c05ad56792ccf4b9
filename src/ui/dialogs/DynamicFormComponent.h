#pragma once

#include "ui/SegmentedControl.h"
#include "ui/dialogs/DialogField.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <map>
#include <memory>
#include <vector>

/** A column of labelled input rows built from field descriptions. */
class DynamicFormComponent : public juce::Component, private juce::TextEditor::Listener
{
public:
    explicit DynamicFormComponent(const std::vector<DialogField>& fields);
    ~DynamicFormComponent() override;

    /** Every field's current text by key; the later field wins when two share a key. */
    std::map<juce::String, juce::String> getValues() const;

    /** Greys out and locks every text field whose controlling row shows its disabling value. */
    void updateFieldStates();

    /** The first text field, in field order, that takes typing; null when every one is locked. */
    juce::TextEditor* firstWritableTextField() const;

    int getNumFields() const { return static_cast<int>(fields.size()); }
    float getRowHeight() const { return rowHeight; }
    float getRowSpacing() const { return rowSpacing; }

    void lookAndFeelChanged() override;
    void resized() override;

private:
    void textEditorFocusLost(juce::TextEditor& editor) override;
    juce::Component* findControl(const juce::String& key) const;

    std::vector<DialogField> fields;
    std::vector<std::unique_ptr<juce::Label>> labels;
    std::map<juce::String, std::unique_ptr<juce::TextEditor>> textEditors;
    std::map<juce::String, std::unique_ptr<juce::ComboBox>> comboBoxes;
    std::map<juce::String, std::unique_ptr<SegmentedControl>> segmentedControls;
    float rowHeight = 34.0f;
    float rowSpacing = 10.0f;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(DynamicFormComponent)
};
