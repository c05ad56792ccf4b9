#pragma once

// The program's main layout, wired as the program wires it, on its own AppContext in a real desktop window
// (Xvfb). Mouse input goes through the window's peer, so hit-testing and click detection are JUCE's own.

#include "app/AppConsoleLogger.h"
#include "app/AppContext.h"
#include "app/AppStateIds.h"
#include "app/MainLayout.h"
#include "support/MessageLoopWait.h"
#include "ui/CustomLookAndFeel.h"
#include "ui/Theme.h"

#include <gtest/gtest.h>

namespace juce
{
inline void PrintTo(const StringArray& texts, std::ostream* out)
{
    *out << "{ \"" << texts.joinIntoString("\", \"") << "\" }";
}
} // namespace juce

namespace ui_test
{
namespace Ids = AppStateIds;

/** A private home folder (the settings file lives under it) and an "xdg-open" first on PATH that only writes
    down the address it is given, so nothing real is touched or opened. */
class ScopedHome
{
public:
    ScopedHome();
    ~ScopedHome();
    juce::StringArray opened() const;  // addresses handed to the browser so far
    juce::File dir;

private:
    juce::String oldHome, oldPath;
};

struct Net
{
    juce::String ip, mac;
    bool dhcp = false;
};

/** Runs everything posted so far (asynchronous text-change messages, updates, deletions). */
void drain();

/** A device node as AppContext writes one: complete, both interfaces, appended in one step. */
juce::ValueTree addDevice(AppContext& context, const juce::String& id, const juce::String& name,
                          const juce::String& model, const juce::String& version, Net net0, Net net1,
                          bool isTarn = false, bool isHost = false, const juce::String& webAccess = {});

class Program
{
public:
    Program();
    ~Program();

    /** A press and release at a point of a component (its centre by default), with keyboard modifiers. */
    void click(juce::Component& target, juce::Point<int> local = { -1, -1 }, juce::ModifierKeys keys = {},
               int button = juce::ModifierKeys::leftButtonModifier);
    void rightClick(juce::Component& target, juce::Point<int> local = { -1, -1 })
    {
        click(target, local, {}, juce::ModifierKeys::rightButtonModifier);
    }

    /** The cell component of a table cell, once the table is up to date with the state tree. */
    template <typename Cell>
    Cell* cell(int columnId, int row)
    {
        table.getNumRows();
        return dynamic_cast<Cell*>(table.table.getCellComponent(columnId, row));
    }
    juce::StringArray names();  // the name column, top to bottom

    /** Clicks a header column; the point of a row's cell in the table. */
    void clickColumn(int columnId);
    juce::Point<int> cellCentre(int columnId, int row);

    /** The items of the open popup menu, as a screen reader reads them; empty while none is open. */
    static juce::StringArray menuItems();

    juce::Component* dialogButton(const juce::String& label);
    juce::String dialogTitle();

    ScopedHome home;
    CustomLookAndFeel lookAndFeel;
    AppContext context;
    AppConsoleLogger* logger;
    MainLayout layout { &context };
    HeaderComponent& header;
    DeviceListComponent& table;
    FooterComponent& footer;
    ToastOverlay& toast;
    CustomDialogOverlay& overlay;
    ConsoleEditor& console;

private:
    juce::int64 now = juce::Time::currentTimeMillis();
};
} // namespace ui_test
