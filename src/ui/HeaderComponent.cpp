#include "ui/HeaderComponent.h"

#include "app/WebAddresses.h"
#include "ui/EmbeddedResources.h"
#include "ui/Theme.h"

HeaderComponent::HeaderComponent()
{
    updateLogo();

    filterDropdown.options = { { 1, "BrelmTARN", false } };
    filterDropdown.onOptionToggled = [this](int id, bool selected)
    {
        if (id == 1 && onTarnFilterChanged)
            onTarnFilterChanged(selected);
    };
    addChildComponent(filterDropdown);

    refreshButton.icon = EmbeddedResources::refreshIconSvg();
    refreshButton.updateIcon();
    refreshButton.repaint();
    refreshButton.onClick = [this]
    {
        if (onRefresh)
            onRefresh();
    };
    addAndMakeVisible(refreshButton);

    filterButton.icon = EmbeddedResources::filterIconSvg();
    filterButton.updateIcon();
    filterButton.repaint();
    filterButton.onClick = [this] { toggleFilterPanel(); };
    addAndMakeVisible(filterButton);

    searchBox.onTextChanged = [this]
    {
        if (onSearchChanged)
            onSearchChanged(searchBox.editor.getText());
    };
    addAndMakeVisible(searchBox);
}

HeaderComponent::~HeaderComponent() = default;

juce::URL HeaderComponent::webSite()
{
    return juce::URL(WebAddresses::site());
}

void HeaderComponent::updateLogo()
{
    const auto source = darkTheme == 1 ? EmbeddedResources::logoDarkSvg() : EmbeddedResources::logoLightSvg();
    if (source.svgData == nullptr || source.svgSize <= 0)
        return;

    auto xml = juce::parseXML(juce::String::fromUTF8(source.svgData, source.svgSize));
    if (xml == nullptr)
        return;

    logo = juce::Drawable::createFromSVG(*xml);
}

void HeaderComponent::toggleFilterPanel()
{
    filterPanelOpen = !filterPanelOpen;

    if (filterButton.active != filterPanelOpen)
    {
        filterButton.active = filterPanelOpen;
        filterButton.updateIcon();
        filterButton.repaint();
    }

    // Closing the row keeps the TARN selection in force; it only hides the control.
    filterDropdown.setVisible(filterPanelOpen);

    if (onFilterPanelToggled)
        onFilterPanelToggled(filterPanelOpen);
}

bool HeaderComponent::inLogoArea(juce::Point<int> p)
{
    return p.x >= 0 && p.y >= 0 && p.x < logoAreaWidth && p.y < topRowHeight;
}

void HeaderComponent::mouseMove(const juce::MouseEvent& e)
{
    setMouseCursor(inLogoArea(e.getPosition()) ? juce::MouseCursor::PointingHandCursor
                                               : juce::MouseCursor::NormalCursor);
}

void HeaderComponent::mouseDown(const juce::MouseEvent& e)
{
    if (!inLogoArea(e.getPosition()))
        return;

    // The concealed console switch: Ctrl+Shift with any button, and nothing else.
    if (e.mods.isCtrlDown() && e.mods.isShiftDown())
    {
        consoleVisible = !consoleVisible;
        repaint();
        if (onConsoleToggled)
            onConsoleToggled(consoleVisible);
        return;
    }

    if (e.mods.isLeftButtonDown() && openUrl)
        openUrl(webSite());
}

void HeaderComponent::lookAndFeelChanged()
{
    updateLogo();
}

void HeaderComponent::paint(juce::Graphics& g)
{
    if (logo != nullptr)
    {
        logo->drawWithin(g, juce::Rectangle<float>(0.0f, 0.0f, (float) logoAreaWidth, (float) topRowHeight),
                         juce::RectanglePlacement::xLeft, 1.0f);
    }
    else
    {
        g.setColour(themeForeground);
        g.setFont(juce::Font(17.0f, juce::Font::bold | juce::Font::italic));
        g.drawText("[ BRELM ]", juce::Rectangle<int>(10, 0, logoAreaWidth, topRowHeight),
                   juce::Justification::centredLeft, true);
    }

    if (consoleVisible)
    {
        g.setColour(themeForeground);
        g.setFont(juce::Font(17.0f, juce::Font::bold));
        g.drawText("DEV", juce::Rectangle<int>(0, 0, getWidth(), topRowHeight), juce::Justification::centred, true);
    }
}

void HeaderComponent::resized()
{
    auto bounds = getLocalBounds();
    auto topRow = bounds.removeFromTop(juce::jmin(topRowHeight, bounds.getHeight()));

    juce::FlexBox row;
    row.flexDirection = juce::FlexBox::Direction::row;
    row.flexWrap = juce::FlexBox::Wrap::noWrap;
    row.alignContent = juce::FlexBox::AlignContent::stretch;
    row.alignItems = juce::FlexBox::AlignItems::flexStart;
    row.justifyContent = juce::FlexBox::JustifyContent::flexStart;
    row.items.add(juce::FlexItem((float) logoAreaWidth, (float) topRowHeight));
    row.items.add(juce::FlexItem().withFlex(1.0f));
    row.items.add(juce::FlexItem(refreshButton).withWidth(35.0f).withHeight(35.0f).withMargin({ 0, 8, 0, 0 }));
    row.items.add(juce::FlexItem(filterButton).withWidth(35.0f).withHeight(35.0f).withMargin({ 0, 8, 0, 0 }));
    row.items.add(juce::FlexItem(searchBox).withWidth(200.0f).withHeight(35.0f));
    row.performLayout(topRow);

    if (filterPanelOpen)
    {
        const juce::Rectangle<int> filterArea(bounds.getX(), bounds.getY() + 8, bounds.getWidth(),
                                              juce::jmax(0, bounds.getHeight() - 8));
        juce::FlexBox filterRow;
        filterRow.flexDirection = juce::FlexBox::Direction::row;
        filterRow.alignItems = juce::FlexBox::AlignItems::flexStart;
        filterRow.justifyContent = juce::FlexBox::JustifyContent::flexEnd;
        filterRow.items.add(juce::FlexItem(filterDropdown).withWidth(200.0f).withHeight(50.0f));
        filterRow.performLayout(filterArea);
    }
}
