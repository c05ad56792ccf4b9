#pragma once

#include "ui/FooterComponent.h"
#include "ui/HeaderComponent.h"
#include "ui/ToastOverlay.h"
#include "ui/console/ConsoleEditor.h"
#include "ui/console/ConsoleSplitter.h"
#include "ui/dialogs/CustomDialogOverlay.h"
#include "ui/table/DeviceListComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

class AppContext;

/** The window's content: one column of header, device table, console pane and footer; wires the parts. */
class MainLayout : public juce::Component
{
public:
    explicit MainLayout(AppContext* context);
    ~MainLayout() override;

    void paint(juce::Graphics& g) override;
    void resized() override;

private:
    /** Shows or hides the splitter and console together (the header's console toggle). */
    void setConsoleVisible(bool show);

    /** The header is 93 px high while its filter row is open, else 35 px. */
    void setFilterPanelOpen(bool open);

    // Declaration order is construction order: the overlays first, so they can sit above the rest.
    AppContext* appContext;
    ToastOverlay toast;
    CustomDialogOverlay dialogOverlay;
    HeaderComponent header;
    DeviceListComponent deviceList { appContext };
    ConsoleSplitter consoleSplitter;
    ConsoleEditor console;
    FooterComponent footer { *appContext };
    float headerHeight = 35.0f;
    float consoleHeight = 150.0f;
    bool consoleVisible = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MainLayout)
};
