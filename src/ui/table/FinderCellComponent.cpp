#include "ui/table/FinderCellComponent.h"

FinderCellComponent::FinderCellComponent()
{
    addAndMakeVisible(button);
}

void FinderCellComponent::resized()
{
    const auto cell = getLocalBounds();
    const auto w = juce::jmin(cell.getWidth(), 80);
    const auto h = juce::jmin(cell.getHeight(), 30);
    button.setBounds(cell.getX() + cell.getWidth() - w - 20, cell.getY() + (cell.getHeight() - h) / 2, w, h);
}
