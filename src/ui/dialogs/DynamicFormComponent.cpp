#include "ui/dialogs/DynamicFormComponent.h"

#include "ui/Theme.h"

#include <algorithm>

namespace
{
constexpr int labelWidth = 140;

int indexOfOption(const juce::StringArray& options, const juce::String& value)
{
    const int index = options.indexOf(value, false);  // exact, case-sensitive
    return index >= 0 ? index : 0;
}
} // namespace

DynamicFormComponent::DynamicFormComponent(const std::vector<DialogField>& fieldList) : fields(fieldList)
{
    for (const auto& field : fields)
    {
        auto label = std::make_unique<juce::Label>(juce::String(), field.label);
        label->setJustificationType(juce::Justification::centredLeft);
        label->setFont(juce::Font(17.0f, juce::Font::plain));
        label->setColour(juce::Label::textColourId, themeForeground);
        addAndMakeVisible(*label);

        switch (field.kind)
        {
            case 0:
            {
                auto editor = std::make_unique<juce::TextEditor>(juce::String());
                editor->setFont(juce::Font(17.0f, juce::Font::plain));
                editor->setJustification(juce::Justification::centredLeft);
                editor->setBorder(juce::BorderSize<int>(0));
                editor->setIndents(12, 0);
                editor->setText(field.value, false);
                editor->addListener(this);
                addAndMakeVisible(*editor);
                // Replacing a control of the same key deletes the earlier one (and removes it as a child).
                textEditors[field.key] = std::move(editor);
                break;
            }
            case 1:
            {
                auto combo = std::make_unique<juce::ComboBox>(juce::String());
                combo->addItemList(field.options, 1);
                combo->setSelectedItemIndex(indexOfOption(field.options, field.value), juce::dontSendNotification);
                combo->onChange = [this] { updateFieldStates(); };
                addAndMakeVisible(*combo);
                comboBoxes[field.key] = std::move(combo);
                break;
            }
            case 2:
            {
                auto segmented = std::make_unique<SegmentedControl>();
                segmented->options = field.options;
                segmented->selectedIndex = indexOfOption(field.options, field.value);
                segmented->repaint();
                segmented->onChange = [this](const juce::String&) { updateFieldStates(); };
                addAndMakeVisible(*segmented);
                segmentedControls[field.key] = std::move(segmented);
                break;
            }
            default:
                break;  // a label without a control
        }

        labels.push_back(std::move(label));
    }

    updateFieldStates();
}

DynamicFormComponent::~DynamicFormComponent()
{
    for (auto& entry : textEditors)
        entry.second->removeListener(this);
    // Controls go before the labels.
    segmentedControls.clear();
    comboBoxes.clear();
    textEditors.clear();
    labels.clear();
}

std::map<juce::String, juce::String> DynamicFormComponent::getValues() const
{
    std::map<juce::String, juce::String> values;
    for (const auto& field : fields)
    {
        if (auto it = segmentedControls.find(field.key); it != segmentedControls.end())
            values[field.key] = it->second->getSelectedText();
        else if (auto combo = comboBoxes.find(field.key); combo != comboBoxes.end())
            values[field.key] = combo->second->getText();
        else if (auto editor = textEditors.find(field.key); editor != textEditors.end())
            values[field.key] = editor->second->getText();
        else
            values[field.key] = juce::String();
    }
    return values;
}

void DynamicFormComponent::updateFieldStates()
{
    for (const auto& field : fields)
    {
        auto it = textEditors.find(field.key);
        if (it == textEditors.end())
            continue;

        bool enabled = true;
        if (field.disabledWhenKey.isNotEmpty())
        {
            juce::String controlling;
            if (auto s = segmentedControls.find(field.disabledWhenKey); s != segmentedControls.end())
                controlling = s->second->getSelectedText();
            else if (auto c = comboBoxes.find(field.disabledWhenKey); c != comboBoxes.end())
                controlling = c->second->getText();
            else if (auto t = textEditors.find(field.disabledWhenKey); t != textEditors.end())
                controlling = t->second->getText();
            enabled = controlling != field.disabledWhenValue;
        }

        // A disabled field stays visible and keeps its text; it is only greyed out and locked, and Tab passes it
        // by as the mouse does.
        auto& editor = *it->second;
        editor.setReadOnly(!enabled);
        editor.setCaretVisible(enabled);
        editor.setInterceptsMouseClicks(enabled, enabled);
        editor.setWantsKeyboardFocus(enabled);
        const auto textColour = themeForeground.withAlpha(enabled ? 1.0f : 0.5f);
        editor.setColour(juce::TextEditor::textColourId, textColour);
        editor.applyColourToAllText(textColour, true);
        editor.setColour(juce::CaretComponent::caretColourId, themeForeground);
        editor.setColour(juce::TextEditor::backgroundColourId, themeBackground);
        editor.setColour(juce::TextEditor::outlineColourId, themeForeground.withAlpha(enabled ? 1.0f : 0.4f));
        editor.setColour(juce::TextEditor::focusedOutlineColourId, accentBlue);  // the keyboard-focus mark
        editor.repaint();
    }
}

void DynamicFormComponent::lookAndFeelChanged()
{
    for (auto& label : labels)
        label->setColour(juce::Label::textColourId, themeForeground);
    updateFieldStates();
}

juce::TextEditor* DynamicFormComponent::firstWritableTextField() const
{
    for (const auto& field : fields)
        if (auto it = textEditors.find(field.key); it != textEditors.end() && !it->second->isReadOnly())
            return it->second.get();
    return nullptr;
}

juce::Component* DynamicFormComponent::findControl(const juce::String& key) const
{
    if (auto it = segmentedControls.find(key); it != segmentedControls.end())
        return it->second.get();
    if (auto it = comboBoxes.find(key); it != comboBoxes.end())
        return it->second.get();
    if (auto it = textEditors.find(key); it != textEditors.end())
        return it->second.get();
    return nullptr;
}

void DynamicFormComponent::resized()
{
    auto free = getLocalBounds();
    for (const auto& field : fields)
    {
        auto row = free.removeFromTop(juce::jmin(static_cast<int>(rowHeight), free.getHeight()));

        auto label = std::find_if(labels.begin(), labels.end(),
                                  [&](const auto& l) { return l->getText() == field.label; });
        if (label != labels.end())
            (*label)->setBounds(row.removeFromLeft(juce::jmin(labelWidth, row.getWidth())));

        if (auto* control = findControl(field.key))
            control->setBounds(row);

        free.removeFromTop(juce::jmin(static_cast<int>(rowSpacing), free.getHeight()));
    }
}

void DynamicFormComponent::textEditorFocusLost(juce::TextEditor& editor)
{
    // A selection never stays highlighted in a field that has lost the focus.
    const int caret = editor.getCaretPosition();
    editor.setHighlightedRegion({ caret, caret });
}
