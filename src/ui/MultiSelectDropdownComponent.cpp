#include "ui/MultiSelectDropdownComponent.h"

#include "ui/Theme.h"

namespace
{
void strokeRoundedBox(juce::Graphics& g, juce::Rectangle<float> r, float stroke)
{
    const float half = stroke / 2.0f;
    g.drawRoundedRectangle(r.getX() + half, r.getY() + half, juce::jmax(0.0f, r.getWidth() - stroke),
                           juce::jmax(0.0f, r.getHeight() - stroke), 8.0f, stroke);
}
} // namespace

//==============================================================================
MultiSelectDropdownComponent::MultiSelectDropdownComponent(const juce::String& titleText) : title(titleText)
{
    setMouseCursor(juce::MouseCursor::PointingHandCursor);
}

MultiSelectDropdownComponent::~MultiSelectDropdownComponent()
{
    // The list lives in the top-level window, not in us: take it down now.
    closeOverlay();
}

void MultiSelectDropdownComponent::closeOverlay()
{
    if (overlay == nullptr)
        return;
    if (auto* parent = overlay->getParentComponent())
        parent->removeChildComponent(overlay.get());
    overlay.reset();
}

juce::String MultiSelectDropdownComponent::summaryText() const
{
    juce::StringArray labels;
    for (const auto& option : options)
        if (option.selected)
            labels.add(option.label);
    return labels.isEmpty() ? juce::String("All") : labels.joinIntoString(", ");
}

void MultiSelectDropdownComponent::showOverlay()
{
    auto* top = getTopLevelComponent();
    juce::WeakReference<juce::Component> self(this);

    auto onToggle = [self](int id, bool selected)
    {
        auto* dropdown = dynamic_cast<MultiSelectDropdownComponent*>(self.get());
        if (dropdown == nullptr)
            return;
        for (auto& option : dropdown->options)
        {
            if (option.id == id)
            {
                option.selected = selected;
                if (dropdown->onOptionToggled)
                    dropdown->onOptionToggled(id, selected);
                break;
            }
        }
        if (auto* still = dynamic_cast<MultiSelectDropdownComponent*>(self.get()))
            still->repaint();
    };

    // Never delete the overlay inside its own mouse handler: post the closing.
    auto onDismiss = [self]
    {
        juce::MessageManager::callAsync(
            [self]
            {
                if (auto* dropdown = dynamic_cast<MultiSelectDropdownComponent*>(self.get()))
                    dropdown->closeOverlay();
            });
    };

    overlay = std::make_unique<DropdownOverlay>(options, getScreenBounds(), onToggle, onDismiss);
    top->addAndMakeVisible(overlay.get());
    overlay->setBounds(top->getLocalBounds());
}

void MultiSelectDropdownComponent::mouseEnter(const juce::MouseEvent&)
{
    hovered = true;
    repaint();
}

void MultiSelectDropdownComponent::mouseExit(const juce::MouseEvent&)
{
    hovered = false;
    repaint();
}

void MultiSelectDropdownComponent::mouseDown(const juce::MouseEvent&)
{
    if (overlay == nullptr)
        showOverlay();
}

void MultiSelectDropdownComponent::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    const float x = bounds.getX(), y = bounds.getY(), w = bounds.getWidth(), h = bounds.getHeight();
    const float stroke = hovered ? 1.5f : 1.0f;

    const float t = juce::jmin(h, 14.0f);
    g.setColour(themeForeground.withAlpha(0.6f));
    g.setFont(juce::Font(13.0f, juce::Font::plain));
    g.drawText(title, juce::Rectangle<float>(x, y, w, t), juce::Justification::bottomLeft, true);

    const float gap = juce::jmin(h - t, 2.0f);
    const juce::Rectangle<float> box(x, y + t + gap, w, h - t - gap);

    g.setColour(themeBackground);
    g.fillRoundedRectangle(box, 8.0f);
    g.setColour(themeForeground);
    strokeRoundedBox(g, box, stroke);

    const float textWidth = juce::jmax(0.0f, w - 24.0f);
    const float arrowRoom = juce::jmin(textWidth, 20.0f);
    g.setColour(themeForeground.withAlpha(0.8f));
    g.setFont(juce::Font(17.0f, juce::Font::plain));
    g.drawText(summaryText(), juce::Rectangle<float>(box.getX() + 12.0f, box.getY(), textWidth - arrowRoom, box.getHeight()),
               juce::Justification::centredLeft, true);

    const float ax = x + w - 20.0f;
    const float ay = box.getCentreY() - 2.5f;
    juce::Path arrow;
    arrow.addTriangle(ax, ay, ax + 10.0f, ay, ax + 5.0f, ay + 5.0f);
    g.setColour(themeForeground);
    g.fillPath(arrow);
}

//==============================================================================
MultiSelectDropdownComponent::OptionRow::OptionRow(const juce::String& labelText, bool isSelected)
    : label(labelText), selected(isSelected)
{
    setMouseCursor(juce::MouseCursor::PointingHandCursor);
}

void MultiSelectDropdownComponent::OptionRow::mouseEnter(const juce::MouseEvent&)
{
    hovered = true;
    repaint();
}

void MultiSelectDropdownComponent::OptionRow::mouseExit(const juce::MouseEvent&)
{
    hovered = false;
    repaint();
}

void MultiSelectDropdownComponent::OptionRow::mouseUp(const juce::MouseEvent& e)
{
    if (!e.mouseWasClicked())
        return;
    selected = !selected;
    repaint();
    if (onToggle)
        onToggle(selected);
}

void MultiSelectDropdownComponent::OptionRow::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    const float x = bounds.getX(), y = bounds.getY(), w = bounds.getWidth(), h = bounds.getHeight();
    const float stroke = hovered ? 1.5f : 1.0f;

    g.setColour(themeBackground);
    g.fillRoundedRectangle(bounds, 8.0f);
    g.setColour(themeForeground);
    strokeRoundedBox(g, bounds, stroke);

    g.setColour(themeForeground.withAlpha(0.4f));
    g.drawRoundedRectangle(x + 12.0f, y + h / 2.0f - 8.0f, 16.0f, 16.0f, 3.0f, 1.0f);

    if (selected)
    {
        g.setColour(themeForeground);
        g.fillRoundedRectangle(x + 15.0f, y + h / 2.0f - 5.0f, 10.0f, 10.0f, 2.0f);
    }

    g.setColour(themeForeground);
    g.setFont(juce::Font(17.0f, juce::Font::plain));
    g.drawText(label, juce::Rectangle<float>(x + 36.0f, y, juce::jmax(0.0f, w - 36.0f), h),
               juce::Justification::centredLeft, true);
}

//==============================================================================
MultiSelectDropdownComponent::DropdownOverlay::DropdownOverlay(const std::vector<Option>& options,
                                                               juce::Rectangle<int> anchor,
                                                               std::function<void(int, bool)> onToggle,
                                                               std::function<void()> dismiss)
    : anchorScreenBounds(anchor), onDismiss(std::move(dismiss))
{
    setAlwaysOnTop(true);

    for (const auto& option : options)
    {
        auto* row = rows.add(new OptionRow(option.label, option.selected));
        row->onToggle = [onToggle, id = option.id](bool state)
        {
            if (onToggle)
                onToggle(id, state);
        };
        addAndMakeVisible(row);
    }
}

void MultiSelectDropdownComponent::DropdownOverlay::mouseDown(const juce::MouseEvent&)
{
    // Only reached outside the rows: the click closes the list and goes nowhere else.
    if (onDismiss)
        onDismiss();
}

void MultiSelectDropdownComponent::DropdownOverlay::mouseWheelMove(const juce::MouseEvent& e,
                                                                   const juce::MouseWheelDetails& wheel)
{
    // Let whatever lies beneath the list (the table) keep scrolling.
    auto* top = getTopLevelComponent();

    setInterceptsMouseClicks(false, false);
    auto* target = top->getComponentAt(top->getLocalPoint(nullptr, e.getScreenPosition()));
    setInterceptsMouseClicks(true, true);

    if (target == nullptr || target == this || isParentOf(target))
        return;

    target->mouseWheelMove(e.getEventRelativeTo(target), wheel);
}

void MultiSelectDropdownComponent::DropdownOverlay::resized()
{
    const auto anchor = getLocalArea(nullptr, anchorScreenBounds);
    int y = anchor.getBottom() + 8;
    for (auto* row : rows)
    {
        row->setBounds(anchor.getX(), y, anchor.getWidth(), 34);
        y += 42;
    }
}
