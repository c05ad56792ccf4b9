#include "app/DisplayConnection.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace
{
DisplayConnection* current = nullptr;
}  // namespace

juce::String DisplayConnection::problem()
{
    // JUCE would fall back to ":0", which in an ssh session or a service is somebody else's screen, if any.
    const juce::String name(std::getenv("DISPLAY"));
    if (name.isEmpty())
        return "No display can be opened: DISPLAY is not set";

    if (!juce::Desktop::getInstance().getDisplays().displays.isEmpty())
        return {};

    // The name comes from outside: the message stays one line.
    juce::String shown;
    for (const auto c : name)
        shown << (c < ' ' ? juce::juce_wchar('?') : c);
    return "No display can be opened: nothing answers at DISPLAY=" + shown;
}

DisplayConnection::DisplayConnection(std::function<void()> callback) : onLost(std::move(callback))
{
    current = this;
    previousHandler = XSetIOErrorHandler(connectionLost);
}

DisplayConnection::~DisplayConnection()
{
    XSetIOErrorHandler(previousHandler);
    current = nullptr;
}

int DisplayConnection::connectionLost(_XDisplay*)
{
    // Whatever Xlib was doing when the server went, it never returns to it: the process ends here.
    if (current != nullptr && current->onLost)
        current->onLost();

    std::fflush(nullptr);
    // Not exit(): static destructors would run under the discovery threads, and JUCE's would talk to X again.
    ::_exit(1);
}
