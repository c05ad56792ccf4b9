#include "E2eSession.h"

#include <gtest/gtest.h>

#ifndef BRELM_PROGRAM_PATH
#error "BRELM_PROGRAM_PATH names the program under test"
#endif

namespace
{
juce::File artifactsRoot()
{
    // The suite's binary lives in <build>/tests; screenshots go to <build>/e2e-artifacts.
    return juce::File::getSpecialLocation(juce::File::currentExecutableFile)
        .getParentDirectory()
        .getParentDirectory()
        .getChildFile("e2e-artifacts");
}
} // namespace

E2eSession::E2eSession(const juce::String& scenarioName)
    : host(network.addHost()),
      link(network.connect(host)),
      home(juce::File::createTempFile("brelm-e2e-home")),
      artifacts(artifactsRoot().getChildFile(scenarioName)),
      display(),
      desktop(display.name(), home.getChildFile("scratch"))
{
    home.createDirectory();
    home.getChildFile("runtime").createDirectory();
    home.getChildFile(".config").createDirectory();
    artifacts.deleteRecursively();
    artifacts.createDirectory();
    EXPECT_TRUE(makePrivateTempFolder()) << "no private /var/tmp for the program";
}

E2eSession::~E2eSession()
{
    // Keep the program's logs with the screenshots for whoever looks at a failure.
    for (const auto& file : home.findChildFiles(juce::File::findFiles, false, "*.log"))
        file.copyFileTo(artifacts.getChildFile(file.getFileName()));
    tempFolderHolder.reset();
    home.deleteRecursively();
}

bool E2eSession::makePrivateTempFolder()
{
    // JUCE's single-instance lock is a file in /var/tmp; in a mount namespace of its own with a fresh
    // /var/tmp, this scenario's program never meets one started by anybody else on the machine.
    juce::StringPairArray env;
    env.set("PATH", "/usr/bin:/bin");
    const auto ready = home.getChildFile("tmp-holder.out");
    tempFolderHolder = std::make_unique<ChildProcessHandle>(
        juce::StringArray { "/usr/bin/unshare", "--mount", "--propagation", "private", "--", "/bin/sh", "-c",
                            "mount -t tmpfs -o size=4m brelm-e2e /var/tmp && echo ready && exec sleep 100000" },
        env, ready);
    return waitFor([&] { return ready.loadFileAsString().contains("ready") || !tempFolderHolder->isRunning(); },
                   20000)
           && tempFolderHolder->isRunning();
}

void E2eSession::addHostAddress(const juce::String& address)
{
    host.runOrFail("ip addr add " + address + "/24 dev " + link.remoteName);
}

std::unique_ptr<ChildProcessHandle> E2eSession::start(const juce::StringArray& arguments, const juce::String& logName)
{
    juce::StringPairArray env;
    env.set("HOME", home.getFullPathName());
    env.set("XDG_CONFIG_HOME", home.getChildFile(".config").getFullPathName());
    env.set("XDG_RUNTIME_DIR", home.getChildFile("runtime").getFullPathName());
    env.set("DISPLAY", display.name());
    env.set("PATH", "/usr/bin:/bin");

    juce::StringArray args { "/usr/bin/nsenter", "--mount=/proc/" + juce::String(tempFolderHolder->processId())
                                                     + "/ns/mnt",
                             "--", BRELM_PROGRAM_PATH };
    args.addArray(arguments);
    return std::make_unique<ChildProcessHandle>(args, env, home.getChildFile(logName + ".log"));
}

juce::String E2eSession::log(const juce::String& logName) const
{
    return home.getChildFile(logName + ".log").loadFileAsString();
}

double E2eSession::waitForLog(const juce::String& text, int timeoutMs, const juce::String& logName)
{
    double seen = 0;
    display.waitForNudging(lastWindow, [&]
    {
        if (log(logName).contains(text))
            seen = juce::Time::getMillisecondCounterHiRes();
        return seen > 0;
    }, timeoutMs, 10);
    return seen;
}

int E2eSession::countInLog(const juce::String& text, const juce::String& logName) const
{
    // std::string: juce::String walks its UTF-8 from the start for every indexOf(start, ...).
    const auto all = log(logName).toStdString();
    const auto needle = text.toStdString();
    int count = 0;
    for (auto at = all.find(needle); at != std::string::npos; at = all.find(needle, at + needle.size()))
        ++count;
    return count;
}

unsigned long E2eSession::waitForWindow(int timeoutMs)
{
    const auto window = display.waitForWindow("Brelm Discovery", timeoutMs);
    lastWindow = window.has_value() ? window->id : 0;
    return lastWindow;
}

bool E2eSession::closeAndWait(ChildProcessHandle& program, unsigned long window)
{
    const auto code = display.closeAndWait(program, window);
    return code.has_value() && *code == 0;
}

juce::Image E2eSession::screenshot(unsigned long window, const juce::String& name)
{
    const auto file = artifacts.getChildFile(juce::String(++shots).paddedLeft('0', 2) + "-" + name + ".png");
    const auto full = desktop.screenshot(file);
    if (full.isNull())
        return {};
    const auto g = display.geometry(window);
    return full.getClippedImage({ g.x, g.y, g.width, g.height }).createCopy();
}

bool E2eSession::waitForScreen(unsigned long window, const std::function<bool(const juce::Image&)>& check,
                               const juce::String& name, int timeoutMs)
{
    const bool held = display.waitForNudging(window, [&] { return check(capture(window)); }, timeoutMs, 50);
    screenshot(window, name);
    return held;
}

juce::String E2eSession::setting(const juce::String& key) const
{
    return settingUnder(home, key);
}
