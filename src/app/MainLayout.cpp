#include "app/MainLayout.h"

#include "app/AppConsoleLogger.h"
#include "app/AppContext.h"
#include "app/AppStateIds.h"
#include "ui/Theme.h"
#include "ui/dialogs/FormDialog.h"
#include "ui/table/SearchText.h"

namespace
{
constexpr int footerHeight = 28;
constexpr int contentMargin = 20;
constexpr float headerGap = 8.0f;
constexpr float splitterHeight = 12.0f;
constexpr float splitterGap = 4.0f;
constexpr float smallestConsoleLimit = 30.0f;
constexpr float spaceKeptForTable = 100.0f;
} // namespace

MainLayout::MainLayout(AppContext* context)
    : appContext(context)
{
    // Hidden children: toast, then dialog overlay.
    addChildComponent(toast);
    addChildComponent(dialogOverlay);

    // AppContext's callbacks, in this order: showToast, showToastPersistent, updateToastText, hideToast,
    // showDialog, toggleTheme, showFormDialog. The destructor clears every one of them.
    appContext->showToast = [this](const juce::String& message) { toast.show(message, false); };
    appContext->showToastPersistent = [this](const juce::String& message, bool persistent)
    {
        toast.show(message, persistent);
    };
    appContext->updateToastText = [this](const juce::String& message) { toast.updateText(message); };
    appContext->hideToast = [this] { toast.fadeOut(); };
    appContext->showDialog = [this](const juce::String& title, const juce::String& message,
                                    const juce::String& detailText, const std::vector<DialogAction>& actions,
                                    int dismissActionId, std::function<void(int)> callback, IconSource icon,
                                    const juce::String& linkText, const juce::String& linkUrl)
    {
        dialogOverlay.showMessageDialog(title, message, detailText, actions, dismissActionId, std::move(callback), icon,
                                        linkText, linkUrl);
    };

    appContext->toggleTheme = [this]
    {
        applyTheme(darkTheme == 1 ? 0 : 1);
        if (appContext->settings != nullptr)
            appContext->settings->setValue("darkMode", darkTheme == 1);
        if (auto* top = getTopLevelComponent())
            top->sendLookAndFeelChange();
    };

    appContext->showFormDialog = [this](const juce::String& title, const juce::String& message,
                                        const std::vector<DialogField>& fields,
                                        const std::vector<DialogAction>& actions, int dismissActionId,
                                        std::function<void(int, const std::map<juce::String, juce::String>&)> callback,
                                        IconSource icon)
    {
        showFormDialogImpl(dialogOverlay, title, message, fields, actions, dismissActionId, std::move(callback), icon);
    };

    header.onRefresh = [this]
    {
        // The table empties at once; devices come back as they are heard again.
        appContext->appState.getChildWithName(AppStateIds::DeviceList).removeAllChildren(nullptr);
        appContext->startDiscovery();
        if (appContext->showToast)
            appContext->showToast("Refreshing device list...");
    };
    header.onSearchChanged = [this](const juce::String& text)
    {
        deviceList.searchText = SearchText::fold(text.trim());
        deviceList.refreshRows();
    };
    header.onTarnFilterChanged = [this](bool tarnOnly)
    {
        deviceList.tarnOnly = tarnOnly;
        deviceList.refreshRows();
    };
    header.onFilterPanelToggled = [this](bool open) { setFilterPanelOpen(open); };
    header.onConsoleToggled = [this](bool show) { setConsoleVisible(show); };

    consoleSplitter.onDrag = [this](float delta)
    {
        consoleHeight -= delta;  // dragging up makes the console taller
        const float upper = juce::jmax(static_cast<float>(getHeight() - 2 * contentMargin) - headerHeight
                                           - spaceKeptForTable,
                                       smallestConsoleLimit);
        consoleHeight = consoleHeight < 0.0f ? 0.0f : juce::jmin(consoleHeight, upper);
        resized();
    };

    // Visible children in this order: header, deviceList, consoleSplitter, console, footer.
    addAndMakeVisible(header);
    addAndMakeVisible(deviceList);
    addChildComponent(consoleSplitter);
    addChildComponent(console);
    addAndMakeVisible(footer);

    if (appContext->logger != nullptr)
        appContext->logger->setSink(&console);
}

MainLayout::~MainLayout()
{
    if (appContext->logger != nullptr)
        appContext->logger->setSink(nullptr);
    juce::PopupMenu::dismissAllActiveMenus();

    // The context outlives the window: nothing may call into this layout once it is gone.
    appContext->showToast = nullptr;
    appContext->showToastPersistent = nullptr;
    appContext->updateToastText = nullptr;
    appContext->hideToast = nullptr;
    appContext->showDialog = nullptr;
    appContext->toggleTheme = nullptr;
    appContext->showFormDialog = nullptr;
}

void MainLayout::setConsoleVisible(bool show)
{
    consoleVisible = show;
    console.setVisible(show);
    consoleSplitter.setVisible(show);
    resized();
}

void MainLayout::setFilterPanelOpen(bool open)
{
    headerHeight = open ? 93.0f : 35.0f;
    resized();
}

void MainLayout::paint(juce::Graphics& g)
{
    g.fillAll(getLookAndFeel().findColour(juce::ResizableWindow::backgroundColourId));
}

void MainLayout::resized()
{
    auto area = getLocalBounds();
    dialogOverlay.setBounds(area);

    const auto footerArea = area.removeFromBottom(juce::jmin(footerHeight, area.getHeight()));
    footer.setBounds(footerArea);

    const auto content = area.reduced(contentMargin);

    juce::FlexBox column;
    column.flexDirection = juce::FlexBox::Direction::column;
    column.items.add(juce::FlexItem(header).withHeight(headerHeight).withMargin({ 0.0f, 0.0f, headerGap, 0.0f }));
    column.items.add(juce::FlexItem(deviceList).withFlex(1.0f));
    if (consoleVisible)
    {
        column.items.add(juce::FlexItem(consoleSplitter)
                             .withHeight(splitterHeight)
                             .withMargin({ splitterGap, 0.0f, splitterGap, 0.0f }));
        column.items.add(juce::FlexItem(console).withHeight(consoleHeight));
    }
    column.performLayout(content);

    // A visible toast follows the bottom-right corner; a hidden one is placed at its next show.
    if (toast.isVisible())
        toast.placeInParent();
}
