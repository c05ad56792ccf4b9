#pragma once

#include <juce_graphics/juce_graphics.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>
#include <sys/types.h>

/** A child process started with its own environment; killed if still running when this goes. */
class ChildProcessHandle
{
public:
    ChildProcessHandle(const juce::StringArray& arguments, const juce::StringPairArray& environment,
                       const juce::File& outputFile);
    ~ChildProcessHandle();

    bool started() const { return pid > 0; }
    bool isRunning();
    /** Waits for the exit; the exit code, or nothing when it did not end in time. */
    std::optional<int> waitForExit(int timeoutMs);
    double startedAtMs() const { return startMs; }
    /** Every thread's stack of a running process, through gdb when the machine has it; for failure messages. */
    juce::String threadStacks() const;
    /** Asks the process to end (SIGTERM) and waits a while before the destructor's SIGKILL. */
    void terminate(int timeoutMs);
    pid_t processId() const { return pid; }

private:
    pid_t pid = -1;
    std::optional<int> exitCode;
    double startMs = 0;
};

/** An Xvfb server of our own, reachable only from this network namespace, with a small X client. */
class VirtualDisplay
{
public:
    VirtualDisplay();
    ~VirtualDisplay();

    bool isOpen() const { return display != nullptr; }
    juce::String name() const { return ":" + juce::String(number); }

    struct Window
    {
        unsigned long id = 0;
        int x = 0, y = 0, width = 0, height = 0;
    };

    /** The mapped top-level windows with this title. */
    std::vector<Window> findWindows(const juce::String& title);
    std::optional<Window> waitForWindow(const juce::String& title, int timeoutMs);

    /** The colour of one pixel of a window, as 0xRRGGBB. */
    juce::uint32 pixel(unsigned long window, int x, int y);
    /** The whole window's content. */
    juce::Image capture(unsigned long window);

    /** What a window manager sends when the user closes a window. */
    void requestClose(unsigned long window);
    /** Closes the window as a window manager does and waits for its program to end; its exit code, if it did. */
    std::optional<int> closeAndWait(ChildProcessHandle& program, unsigned long window, int timeoutMs = 20000);

    /** Sends the window a message its program ignores. JUCE reads X events only when its connection
        turns readable, so an event that Xlib took in while the program waited for some reply stays
        unhandled until the next one arrives. A desktop delivers events all the time; an idle Xvfb does
        not, so waits that expect the program to react to input wake it now and then, as a user's
        pointer would. */
    void nudge(unsigned long window);
    /** waitFor that nudges the window every half second. */
    bool waitForNudging(unsigned long window, const std::function<bool()>& condition, int timeoutMs, int pollMs = 20);
    Window geometry(unsigned long window);


    /** A plain window of the test's own, mapped and given the keyboard focus. */
    unsigned long createFocusedWindow();
    unsigned long focusedWindow();
    bool isSameOrAncestor(unsigned long ancestor, unsigned long window);

    /** Listen on the root for the requests a window manager would receive. */
    void watchRootMessages();
    /** The windows named by "_NET_ACTIVE_WINDOW" requests seen since watchRootMessages. */
    std::vector<unsigned long> activationRequests();

private:
    int number = 0;
    std::unique_ptr<ChildProcessHandle> server;
    struct _XDisplay* display = nullptr;
    std::vector<unsigned long> activations;
};

/** Polls a condition with a deadline. */
bool waitFor(const std::function<bool()>& condition, int timeoutMs, int pollMs = 20);

/** Where the program keeps its settings under a given home folder. */
juce::File settingsFileUnder(const juce::File& home);
/** One saved setting of the program under that home folder; empty when it has none. */
juce::String settingUnder(const juce::File& home, const juce::String& key);

/** A mount namespace with an empty /var/tmp of its own. JUCE keeps its machine-wide instance lock there,
    so programs started inside never meet one started by anybody else on the machine. */
class PrivateVarTmp
{
public:
    PrivateVarTmp();
    bool isReady();
    /** Put this before a program's path to start it inside the namespace. */
    juce::StringArray commandPrefix() const;

private:
    juce::File output;
    std::unique_ptr<ChildProcessHandle> holder;
};
