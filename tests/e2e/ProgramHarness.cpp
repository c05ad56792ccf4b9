#include "ProgramHarness.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#ifndef BRELM_PROGRAM_PATH
#error "BRELM_PROGRAM_PATH names the program under test"
#endif

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    const auto deadline = juce::Time::getMillisecondCounterHiRes() + timeoutMs;
    while (! condition())
    {
        if (juce::Time::getMillisecondCounterHiRes() > deadline)
            return false;
        juce::Thread::sleep(20);
    }
    return true;
}

ChildProcessHandle::ChildProcessHandle(const juce::StringArray& arguments, const juce::StringPairArray& environment,
                                       const juce::File& outputFile)
{
    std::vector<std::string> strings;
    for (const auto& a : arguments)
        strings.push_back(a.toStdString());
    for (const auto& key : environment.getAllKeys())
        strings.push_back((key + "=" + environment[key]).toStdString());
    std::vector<char*> argv, envp;
    for (size_t i = 0; i < strings.size(); ++i)
        (i < (size_t) arguments.size() ? argv : envp).push_back(strings[i].data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    const auto output = outputFile.getFullPathName().toStdString();
    pid = ::fork();  // the child keeps this thread's network namespace
    if (pid == 0)
    {
        const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::setpgid(0, 0);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
}

ChildProcessHandle::~ChildProcessHandle()
{
    if (isRunning())
    {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

bool ChildProcessHandle::isRunning()
{
    int status = 0;
    if (pid <= 0 || exitCode.has_value() || ::waitpid(pid, &status, WNOHANG) == 0)
        return pid > 0 && ! exitCode.has_value();
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

std::optional<int> ChildProcessHandle::waitForExit(int timeoutMs)
{
    waitFor([this] { return ! isRunning(); }, timeoutMs);
    return exitCode;
}

//==============================================================================
ProgramSession::ProgramSession()
{
    char folder[] = "/tmp/brelm-e2e-XXXXXX";  // made 0700
    home = juce::File(::mkdtemp(folder));
    ::mkdir(home.getChildFile("runtime").getFullPathName().toRawUTF8(), 0700);

    juce::StringPairArray env;
    env.set("PATH", "/usr/bin:/bin");
    const auto ready = home.getChildFile("var-tmp.out");
    varTmpHolder = std::make_unique<ChildProcessHandle>(
        juce::StringArray { "/usr/bin/unshare", "--mount", "--propagation", "private", "--", "/bin/sh", "-c",
                            "mount -t tmpfs -o size=4m brelm-e2e /var/tmp && echo ready && exec sleep 100000" },
        env, ready);
    if (! waitFor([&] { return ready.loadFileAsString().contains("ready") || ! varTmpHolder->isRunning(); }, 20000)
        || ! varTmpHolder->isRunning())
        throw std::runtime_error("no private /var/tmp");

    // Xvfb's lock file in /tmp is shared by every namespace: a number a live server holds ends the new one at once.
    for (int attempt = 0; attempt < 40 && display == nullptr; ++attempt)
    {
        displayNumber = 300 + (::getpid() * 7 + attempt * 13) % 600;
        const auto name = ":" + juce::String(displayNumber);
        xServer = std::make_unique<ChildProcessHandle>(
            juce::StringArray { "/usr/bin/Xvfb", name, "-screen", "0", "1400x900x24", "-noreset", "-nolisten", "tcp",
                                "-nolisten", "unix" },
            env, home.getChildFile("xvfb.log"));
        waitFor([&] { return ! xServer->isRunning() || (display = XOpenDisplay(name.toRawUTF8())) != nullptr; }, 15000);
    }
    if (display == nullptr)
        throw std::runtime_error("no Xvfb could be started");
    // A window manager makes these long before any program starts; JUCE only looks them up.
    for (const char* atom : { "WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_TAKE_FOCUS", "_NET_WM_PING", "WM_STATE",
                              "_NET_ACTIVE_WINDOW", "_NET_WM_STATE", "_NET_WM_WINDOW_TYPE" })
        XInternAtom(display, atom, False);
}

ProgramSession::~ProgramSession()
{
    if (display != nullptr)
        XCloseDisplay(display);
    // Killed outright, Xvfb would leave its lock file in /tmp behind.
    if (xServer != nullptr && xServer->isRunning())
        ::kill(xServer->processId(), SIGTERM), xServer->waitForExit(5000);
    varTmpHolder.reset();
    home.deleteRecursively();
}

std::unique_ptr<ChildProcessHandle> ProgramSession::start(const juce::StringArray& arguments, const juce::String& logName)
{
    if (! TestNetwork::isPrivate())
        return nullptr;
    juce::StringPairArray env;
    env.set("HOME", home.getFullPathName());
    env.set("XDG_RUNTIME_DIR", home.getChildFile("runtime").getFullPathName());
    env.set("DISPLAY", ":" + juce::String(displayNumber));
    env.set("PATH", "/usr/bin:/bin");
    juce::StringArray args { "/usr/bin/nsenter", "--mount=/proc/" + juce::String(varTmpHolder->processId()) + "/ns/mnt",
                             "--", BRELM_PROGRAM_PATH };
    args.addArray(arguments);
    return std::make_unique<ChildProcessHandle>(args, env, home.getChildFile(logName + ".log"));
}

juce::String ProgramSession::log(const juce::String& logName) const
{
    return home.getChildFile(logName + ".log").loadFileAsString();
}

double ProgramSession::waitForLog(const juce::String& text, int timeoutMs, const juce::String& logName)
{
    return until([&] { return log(logName).contains(text); }, timeoutMs) ? juce::Time::getMillisecondCounterHiRes() : 0;
}

bool ProgramSession::waitForWindow()
{
    juce::Rectangle<int> previous;
    return waitFor([&]
    {
        const auto windows = mainWindows();
        window = windows.empty() ? 0 : windows.back();
        const auto now = window != 0 ? geometry() : juce::Rectangle<int>();
        const bool still = window != 0 && now == previous;
        previous = now;
        return still;
    }, 30000);
}

bool ProgramSession::closeAndWait(ChildProcessHandle& program)
{
    send(window, "WM_PROTOCOLS", (long) XInternAtom(display, "WM_DELETE_WINDOW", False));
    until([&] { return ! program.isRunning(); });
    window = 0;
    return program.waitForExit(0) == std::optional<int>(0);
}

juce::String ProgramSession::setting(const juce::String& key) const
{
    if (const auto xml = juce::parseXML(home.getChildFile(".config/BrelmDiscovery/BrelmDiscovery.settings")))
        for (auto* value : xml->getChildWithTagNameIterator("VALUE"))
            if (value->getStringAttribute("name") == key)
                return value->getStringAttribute("val");
    return {};
}

bool ProgramSession::until(const std::function<bool()>& condition, int timeoutMs)
{
    int polls = 0;
    return waitFor([&]
    {
        if (window != 0 && ++polls % 25 == 0)
            send(window, "BRELM_TEST_WAKE", 0);
        return condition();
    }, timeoutMs);
}

juce::Rectangle<int> ProgramSession::geometry()
{
    XWindowAttributes a {};
    XGetWindowAttributes(display, window, &a);
    return { a.x, a.y, a.width, a.height };
}

std::vector<juce::uint32> ProgramSession::pixels(juce::Rectangle<int> area)
{
    std::vector<juce::uint32> values;
    if (auto* image = XGetImage(display, window, area.getX(), area.getY(), (unsigned) area.getWidth(),
                                (unsigned) area.getHeight(), AllPlanes, ZPixmap))
    {
        for (int y = 0; y < area.getHeight(); ++y)
            for (int x = 0; x < area.getWidth(); ++x)
                values.push_back(static_cast<juce::uint32>(XGetPixel(image, x, y)) & 0xffffffu);
        XDestroyImage(image);
    }
    values.resize((size_t) area.getWidth() * (size_t) area.getHeight(), 0xffffffffu);
    return values;
}

void ProgramSession::click(juce::Point<int> at)
{
    const auto onScreen = geometry().getPosition() + at;
    XTestFakeMotionEvent(display, -1, onScreen.x, onScreen.y, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
}

void ProgramSession::key(const juce::String& chord)
{
    // Pressed in order, released in reverse.
    const auto names = juce::StringArray::fromTokens(chord, "+", "");
    for (int i = 0; i < names.size() * 2; ++i)
    {
        const auto& name = names[i < names.size() ? i : names.size() * 2 - 1 - i];
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, XStringToKeysym(name.toRawUTF8())), i < names.size(),
                          CurrentTime);
    }
    XSync(display, False);
}

void ProgramSession::type(const juce::String& text)
{
    for (auto c : text)
        key(c == '.' ? juce::String("period")
                     : (juce::CharacterFunctions::isUpperCase(c) ? "Shift_L+" : "")
                           + juce::String::charToString(juce::CharacterFunctions::toLowerCase(c)));
}

void ProgramSession::moveResize(juce::Rectangle<int> b)
{
    XMoveResizeWindow(display, window, b.getX(), b.getY(), (unsigned) b.getWidth(), (unsigned) b.getHeight());
    XSync(display, False);
}

std::vector<unsigned long> ProgramSession::mainWindows()
{
    // JUCE maps small helper windows with the same title on the way; the main one is wide.
    std::vector<unsigned long> found;
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    for (unsigned int i = 0; i < count; ++i)
    {
        XTextProperty title {};  // a UTF8_STRING, which XFetchName does not read
        XWindowAttributes a {};
        if (XGetWMName(display, children[i], &title) && title.value != nullptr
            && juce::String::fromUTF8((const char*) title.value, (int) title.nitems) == "Brelm Discovery"
            && XGetWindowAttributes(display, children[i], &a) && a.map_state == IsViewable && a.width >= 900)
            found.push_back(children[i]);
        if (title.value != nullptr)
            XFree(title.value);
    }
    if (children != nullptr)
        XFree(children);
    return found;
}

void ProgramSession::watchActivations()
{
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
}

bool ProgramSession::activationRequested()
{
    while (XPending(display) > 0)
    {
        XEvent event;
        XNextEvent(display, &event);
        activated = activated
                    || (event.type == ClientMessage && event.xclient.window == window
                        && event.xclient.message_type == XInternAtom(display, "_NET_ACTIVE_WINDOW", False));
    }
    return activated;
}

void ProgramSession::send(unsigned long to, const char* type, long value)
{
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = to;
    event.xclient.message_type = XInternAtom(display, type, False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = value;
    XSendEvent(display, to, False, NoEventMask, &event);
    XFlush(display);
}
