#pragma once

#include <functional>

/**
    Turns the signals that end a session (SIGTERM at logout, shutdown or kill; SIGHUP when the terminal
    goes) and Ctrl+C (SIGINT) into a quit request on the message thread, so the program leaves as when its
    window is closed: window state saved, a pending installer started. The handler only wakes the message
    thread; JUCE's own SIGINT handler, which would quit past all that, is replaced.
*/
class QuitSignals
{
public:
    /** onQuitRequest runs on the message thread after one of them arrived. */
    explicit QuitSignals(std::function<void()> onQuitRequest);

    /** Signals that arrive from then on are ignored: the program is on its way out. */
    ~QuitSignals();

private:
    std::function<void()> onQuitRequest;
    bool watching = false;
};
