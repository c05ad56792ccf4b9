#include "ui/dialogs/DialogTitleComponent.h"

#include "ui/Theme.h"

DialogTitleComponent::DialogTitleComponent()
{
    titleLabel.setJustificationType(juce::Justification::centred);
    // The label is sized to its text; its default side borders would squeeze the title horizontally.
    titleLabel.setBorderSize({});
    titleLabel.setColour(juce::Label::textColourId, themeForeground);
    addAndMakeVisible(titleLabel);
}

void DialogTitleComponent::updateIcon()
{
    iconDrawable = createIconDrawable(icon, themeForeground);
}

void DialogTitleComponent::lookAndFeelChanged()
{
    titleLabel.setColour(juce::Label::textColourId, themeForeground);
    updateIcon();
    repaint();
}

void DialogTitleComponent::paint(juce::Graphics& g)
{
    if (iconDrawable != nullptr)
        iconDrawable->drawWithin(g, iconBounds.reduced(6.0f), juce::RectanglePlacement::centred, 1.0f);
}

void DialogTitleComponent::resized()
{
    const int w = getWidth();
    const int h = getHeight();
    if (iconDrawable == nullptr)
    {
        iconBounds = {};
        titleLabel.setBounds(0, 0, w, h);
        return;
    }

    const int textWidth = titleLabel.getFont().getStringWidth(titleLabel.getText());
    const int group = juce::jmin(h + 5 + textWidth, w);
    const int groupX = (w - group) / 2;
    const int iconSize = juce::jmin(group, h);
    iconBounds = juce::Rectangle<int>(groupX, 0, iconSize, h).toFloat();
    const int gap = juce::jmin(5, group - iconSize);
    titleLabel.setBounds(groupX + iconSize + gap, 0, group - iconSize - gap, h);
}
