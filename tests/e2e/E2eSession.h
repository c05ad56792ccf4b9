#pragma once

#include "DesktopDriver.h"
#include "ProgramHarness.h"
#include "TextProbe.h"

#include "support/TestNetwork.h"

#include <memory>

/**
    Everything one end-to-end scenario needs, made in this order and removed in reverse:
    - a network namespace for the program (the calling thread moves into it) joined by a veth pair
      to a device host namespace, 10.231.1.1 here and 10.231.1.2 (plus extra addresses) there;
    - a private /var/tmp for the program, so JUCE's instance lock belongs to this scenario alone;
    - an Xvfb reachable only from the program's namespace, a home folder, a folder for screenshots
      under the build folder (e2e-artifacts/<scenario>), and the tools that drive the desktop.
*/
class E2eSession
{
public:
    explicit E2eSession(const juce::String& scenarioName);
    ~E2eSession();

    /** Gives the device host's end of the link more addresses (e.g. one per simulated device). */
    void addHostAddress(const juce::String& address);

    /** Starts the program with a log (its standard error) of this name. */
    std::unique_ptr<ChildProcessHandle> start(const juce::StringArray& arguments = {},
                                              const juce::String& logName = "program");
    juce::String log(const juce::String& logName = "program") const;
    /** Waits until the log holds this text; the time it was first seen (millisecond counter) or 0. */
    double waitForLog(const juce::String& text, int timeoutMs, const juce::String& logName = "program");
    int countInLog(const juce::String& text, const juce::String& logName = "program") const;

    /** Waits for the program's window; its id, or 0. */
    unsigned long waitForWindow(int timeoutMs = 30000);
    /** Closes the window as a window manager does; true when the program then ended with 0. */
    bool closeAndWait(ChildProcessHandle& program, unsigned long window);

    /** A screenshot saved as e2e-artifacts/<scenario>/<nn>-<name>.png, cropped to the window. */
    juce::Image screenshot(unsigned long window, const juce::String& name);
    /** The window's pixels now (fast, for polling; not saved). */
    juce::Image capture(unsigned long window) { return display.capture(window); }

    /** Polls the window's pixels until the check holds; the last capture is saved under name either way. */
    bool waitForScreen(unsigned long window, const std::function<bool(const juce::Image&)>& check,
                       const juce::String& name, int timeoutMs = 20000);

    juce::String setting(const juce::String& key) const;

    TestNetwork network;
    NetNamespace& host;
    TestNetwork::Link link;
    juce::File home;
    juce::File artifacts;

private:
    bool makePrivateTempFolder();

    std::unique_ptr<ChildProcessHandle> tempFolderHolder;

public:
    VirtualDisplay display;
    DesktopDriver desktop;
    TextProbe text;

private:
    int shots = 0;
    unsigned long lastWindow = 0;  // nudged while waiting for the log; 0 nudges nothing
};
