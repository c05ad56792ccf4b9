#pragma once

#include "support/MessageLoopWait.h"
#include "support/TestNetwork.h"

#include <juce_graphics/juce_graphics.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

/** A child process with its output in a file; ended (SIGTERM, then SIGKILL) if still running at the end. */
class ChildProcessHandle
{
public:
    ChildProcessHandle(const juce::StringArray& arguments, const juce::File& outputFile);
    ~ChildProcessHandle();

    bool isRunning();
    /** The exit code, or nothing when it did not end in time. */
    std::optional<int> waitForExit(int ms) { return waitFor([this] { return ! isRunning(); }, ms), exitCode; }
    int pid = -1;

private:
    std::optional<int> exitCode;
};

/** Sessions of the real program. The calling thread moves into a network namespace of its own (link hosts to it
    before the first start); the program gets an Xvfb only that namespace reaches and a home folder of its own with a
    0700 XDG_RUNTIME_DIR (where it keeps one instance per user), in a folder under /tmp that other users reach
    wherever the clone lies. The session plays the user (XTest) and the window
    manager of the program's main window, and reads that window's geometry and pixels (0xRRGGBB). */
class ProgramSession
{
public:
    ProgramSession();  // throws when a part cannot be made
    ~ProgramSession();

    /** Starts the program as this user or another one, with its standard error in <home>/<logName>.log; null
        unless this thread's network is private. Throws, naming the folder, when that user cannot reach the program
        or their home. */
    std::unique_ptr<ChildProcessHandle> start(const juce::StringArray& arguments = {},
                                              const juce::String& logName = "program", int uid = 0);
    juce::String log(const juce::String& logName = "program") const
    { return home.getChildFile(logName + ".log").loadFileAsString(); }
    /** When the log first held the text (millisecond counter), or 0 at the deadline. */
    double waitForLog(const juce::String& text, int timeoutMs);
    /** Waits for a main window on top other than this one; false when none came. */
    bool waitForWindow(unsigned long other = 0);
    /** Closes the window as a window manager does; true when the program then ended with 0. */
    bool closeAndWait(ChildProcessHandle& program);
    /** Ends the session's X server as a logout ends it. Programs started after it name a display nobody serves,
        or with keepName false none at all (an empty DISPLAY). */
    void endXServer(bool keepName = true);
    juce::String settings() const
    { return home.getChildFile(".config/BrelmDiscovery/BrelmDiscovery.settings").loadFileAsString(); }
    /** A file in this user's home. */
    juce::File file(const juce::String& path) const { return home.getChildFile(path); }

    /** JUCE reads X events only when its connection turns readable, so an event Xlib took in while the program
        waited for some reply stays unhandled until the next one arrives. A desktop delivers events all the time,
        an idle Xvfb does not: waits for a reaction send the window a message it ignores now and then. */
    bool until(const std::function<bool()>& condition, int timeoutMs = 20000);

    juce::Rectangle<int> geometry();
    std::vector<juce::uint32> pixels(juce::Rectangle<int> area);
    juce::uint32 pixel(juce::Point<int> at) { return pixels({ at.x, at.y, 1, 1 })[0]; }
    void click(juce::Point<int> at, unsigned int button = 1);
    /** Keysym names joined by '+', e.g. "Control_L+a". */
    void key(const juce::String& chord);
    void type(const juce::String& text);
    void moveResize(juce::Rectangle<int> bounds);
    std::vector<unsigned long> mainWindows();
    unsigned long focus();
    void setFocus(unsigned long window);

    /** From here on the session is the window manager too: it maps and configures windows as their programs ask
        (while it waits), and notes what a window manager reads of each window as it is about to map it. */
    void manageWindows();
    /** That note: the title, the place and size asked for and the size limits; empty for a window not mapped so. */
    juce::String describedAtMapping(unsigned long window) const;

    TestNetwork network;
    unsigned long window = 0;

private:
    void send(const char* type, long value);
    juce::String programFor(int uid, const juce::File& user);
    void serveWindowRequests();

    bool managing = false;
    std::map<unsigned long, juce::String> mapRequests;

    juce::File home;
    juce::String displayName;
    std::unique_ptr<ChildProcessHandle> xServer;
    struct _XDisplay* display = nullptr;
};
