#pragma once

#include "support/TestNetwork.h"

#include <juce_graphics/juce_graphics.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

/** Polls a condition with a deadline; true when it held. */
bool waitFor(const std::function<bool()>& condition, int timeoutMs);

/** A child process with an environment of our own and its output in a file; killed if still running at the end. */
class ChildProcessHandle
{
public:
    ChildProcessHandle(const juce::StringArray& arguments, const juce::StringPairArray& environment,
                       const juce::File& outputFile);
    ~ChildProcessHandle();

    bool isRunning();
    /** The exit code, or nothing when it did not end in time. */
    std::optional<int> waitForExit(int timeoutMs);
    int processId() const { return pid; }

private:
    int pid = -1;
    std::optional<int> exitCode;
};

/**
    One user's session of the real program. The calling thread moves into a network namespace of its own (link
    hosts to it before the first start); the session has an Xvfb only that namespace reaches, a 0700 home folder
    with a 0700 XDG_RUNTIME_DIR, and an empty /var/tmp of its own (JUCE's machine-wide instance lock lives there),
    so no start ever meets a program of anybody else on the machine.

    The session plays the user (pointer and keyboard through XTest) and the window manager of the program's main
    window, and reads the window's geometry and pixels (0xRRGGBB) in window coordinates.
*/
class ProgramSession
{
public:
    /** Throws when any part cannot be made. */
    ProgramSession();
    ~ProgramSession();

    /** Starts the program with its standard error in <home>/<logName>.log; null unless this thread's network is
        private. */
    std::unique_ptr<ChildProcessHandle> start(const juce::StringArray& arguments = {},
                                              const juce::String& logName = "program");
    juce::String log(const juce::String& logName = "program") const;
    /** When the log first held the text (millisecond counter), or 0 at the deadline. */
    double waitForLog(const juce::String& text, int timeoutMs, const juce::String& logName = "program");
    /** Finds the main window once its geometry holds still; false when none came. */
    bool waitForWindow();
    /** Closes the window as a window manager does; true when the program then ended with 0. */
    bool closeAndWait(ChildProcessHandle& program);
    juce::String setting(const juce::String& key) const;

    /** JUCE reads X events only when its connection turns readable, so an event Xlib took in while the program
        waited for some reply stays unhandled until the next one arrives. A desktop delivers events all the time,
        an idle Xvfb does not: waits for a reaction send the window a message it ignores now and then. */
    bool until(const std::function<bool()>& condition, int timeoutMs = 20000);

    juce::Rectangle<int> geometry();
    std::vector<juce::uint32> pixels(juce::Rectangle<int> area);
    juce::uint32 pixel(juce::Point<int> at) { return pixels({ at.x, at.y, 1, 1 }).at(0); }
    void click(juce::Point<int> at);
    /** A chord of keysym names, e.g. "Control_L+a". */
    void key(const juce::String& chord);
    void type(const juce::String& text);
    void moveResize(juce::Rectangle<int> bounds);
    /** The program's main windows mapped now (helpers it maps on the way are smaller). */
    std::vector<unsigned long> mainWindows();
    /** Requests to activate a window ("_NET_ACTIVE_WINDOW" to the root) count from this call on. */
    void watchActivations();
    bool activationRequested();

    TestNetwork network;
    unsigned long window = 0;

private:
    void send(unsigned long to, const char* type, long value);

    juce::File home;
    int displayNumber = 0;
    std::unique_ptr<ChildProcessHandle> xServer, varTmpHolder;
    struct _XDisplay* display = nullptr;
    bool activated = false;
};
