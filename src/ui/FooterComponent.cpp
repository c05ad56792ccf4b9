#include "ui/FooterComponent.h"

#include "app/AppContext.h"
#include "app/AppStateIds.h"
#include "ui/Theme.h"
#include "ui/dialogs/AboutDialog.h"

FooterComponent::FooterComponent(AppContext& context) : appContext(&context)
{
    infoButton.updateIcon();

    deviceList = appContext->appState.getChildWithName(AppStateIds::DeviceList);
    deviceList.addListener(this);

    addAndMakeVisible(infoButton);
    infoButton.onClick = [this] { showAboutDialog(); };

    addAndMakeVisible(themeToggle);
    themeToggle.onClick = [this]
    {
        if (appContext->toggleTheme)
            appContext->toggleTheme();
    };

    setDeviceCount();
}

FooterComponent::~FooterComponent()
{
    cancelPendingUpdate();
    deviceList.removeListener(this);
}

void FooterComponent::setDeviceCount()
{
    const int n = deviceList.getNumChildren();
    countText = juce::String(n) + (n == 1 ? " device found" : " devices found");
    // A burst of additions is painted once.
    triggerAsyncUpdate();
}

void FooterComponent::showAboutDialog()
{
    AboutDialog::show(*appContext);
}

void FooterComponent::valueTreeChildAdded(juce::ValueTree&, juce::ValueTree&)
{
    setDeviceCount();
}

void FooterComponent::valueTreeChildRemoved(juce::ValueTree&, juce::ValueTree&, int)
{
    setDeviceCount();
}

void FooterComponent::handleAsyncUpdate()
{
    repaint();
}

void FooterComponent::paint(juce::Graphics& g)
{
    const auto b = getLocalBounds();
    g.fillAll(themeBackground);

    g.setColour(neutralGrey);
    g.fillRect(b.getX(), b.getY(), b.getWidth(), 1);

    g.setColour(themeForeground);
    g.setFont(juce::Font(13.0f));
    g.drawText(countText, juce::Rectangle<int>(b.getX() + 20, b.getY(), juce::jmax(0, b.getWidth() - 40),
                                               juce::jmax(0, b.getHeight())),
               juce::Justification::centredLeft, true);
}

void FooterComponent::resized()
{
    const auto b = getLocalBounds();
    const int y = b.getY() + (juce::jmax(0, b.getHeight()) - 20) / 2;
    const int infoX = b.getX() + juce::jmax(0, b.getWidth() - 40);
    infoButton.setBounds(infoX, y, 20, 20);
    themeToggle.setBounds(infoX - 24, y, 20, 20);
}
