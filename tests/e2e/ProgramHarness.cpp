#include "ProgramHarness.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

bool waitFor(const std::function<bool()>& condition, int timeoutMs, int pollMs)
{
    const auto deadline = juce::Time::getMillisecondCounterHiRes() + timeoutMs;
    for (;;)
    {
        if (condition())
            return true;
        if (juce::Time::getMillisecondCounterHiRes() > deadline)
            return false;
        juce::Thread::sleep(pollMs);
    }
}

juce::File settingsFileUnder(const juce::File& home)
{
    return home.getChildFile(".config/BrelmDiscovery/BrelmDiscovery.settings");
}

juce::String settingUnder(const juce::File& home, const juce::String& key)
{
    const auto xml = juce::parseXML(settingsFileUnder(home));
    if (xml == nullptr)
        return {};
    for (auto* value : xml->getChildWithTagNameIterator("VALUE"))
        if (value->getStringAttribute("name") == key)
            return value->getStringAttribute("val");
    return {};
}

PrivateVarTmp::PrivateVarTmp()
    : output(juce::File::createTempFile("brelm-e2e-vartmp"))
{
    juce::StringPairArray env;
    env.set("PATH", "/usr/bin:/bin");
    holder = std::make_unique<ChildProcessHandle>(
        juce::StringArray { "/usr/bin/unshare", "--mount", "--propagation", "private", "--", "/bin/sh", "-c",
                            "mount -t tmpfs -o size=4m brelm-e2e /var/tmp && echo ready && exec sleep 100000" },
        env, output);
}

bool PrivateVarTmp::isReady()
{
    const bool ready = waitFor([&] { return output.loadFileAsString().contains("ready") || !holder->isRunning(); },
                               20000)
                       && holder->isRunning();
    output.deleteFile();
    return ready;
}

juce::StringArray PrivateVarTmp::commandPrefix() const
{
    return { "/usr/bin/nsenter", "--mount=/proc/" + juce::String(holder->processId()) + "/ns/mnt", "--" };
}

//==============================================================================
ChildProcessHandle::ChildProcessHandle(const juce::StringArray& arguments, const juce::StringPairArray& environment,
                                       const juce::File& outputFile)
{
    std::vector<std::string> args, env;
    for (const auto& a : arguments)
        args.push_back(a.toStdString());
    for (const auto& key : environment.getAllKeys())
        env.push_back((key + "=" + environment[key]).toStdString());

    std::vector<char*> argv, envp;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    const auto output = outputFile.getFullPathName().toStdString();
    startMs = juce::Time::getMillisecondCounterHiRes();
    pid = ::fork();
    if (pid == 0)
    {
        const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0)
        {
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            ::close(fd);
        }
        ::setpgid(0, 0);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
}

ChildProcessHandle::~ChildProcessHandle()
{
    if (pid > 0 && isRunning())
    {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

bool ChildProcessHandle::isRunning()
{
    if (pid <= 0 || exitCode.has_value())
        return false;
    int status = 0;
    const auto result = ::waitpid(pid, &status, WNOHANG);
    if (result == pid)
    {
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return false;
    }
    return result == 0;
}

std::optional<int> ChildProcessHandle::waitForExit(int timeoutMs)
{
    waitFor([this] { return !isRunning(); }, timeoutMs);
    return exitCode;
}

void ChildProcessHandle::terminate(int timeoutMs)
{
    if (pid > 0 && isRunning())
    {
        ::kill(pid, SIGTERM);
        waitForExit(timeoutMs);
    }
}

juce::String ChildProcessHandle::threadStacks() const
{
    if (pid <= 0 || !juce::File("/usr/bin/gdb").existsAsFile())
        return "(no stacks: gdb is not installed)";
    juce::ChildProcess gdb;
    if (!gdb.start(juce::StringArray { "/usr/bin/gdb", "-p", juce::String(pid), "-batch", "-nx",
                                       "-ex", "thread apply all bt" }))
        return "(no stacks: gdb did not start)";
    return gdb.readAllProcessOutput();
}

//==============================================================================
VirtualDisplay::VirtualDisplay()
{
    const auto log = juce::File::getSpecialLocation(juce::File::tempDirectory).getChildFile("brelm-e2e-xvfb.log");

    // A number of our own. Xvfb's lock file in /tmp guards it across namespaces: a server whose number
    // is held by a live one ends at once, and a lock left by a dead one is taken over.
    for (int attempt = 0; attempt < 40 && display == nullptr; ++attempt)
    {
        number = 300 + static_cast<int>((::getpid() * 7 + attempt * 13) % 600);

        juce::StringPairArray env;
        env.set("PATH", "/usr/bin:/bin");
        server = std::make_unique<ChildProcessHandle>(
            juce::StringArray { "/usr/bin/Xvfb", name(), "-screen", "0", "1400x900x24", "-nolisten", "tcp",
                                "-nolisten", "unix" },
            env, log);

        waitFor([&]
        {
            if (!server->isRunning())
                return true;
            display = XOpenDisplay(name().toRawUTF8());
            return display != nullptr;
        }, 15000, 50);

        if (display == nullptr)
            server.reset();
    }

    // A desktop session has these long before any program starts; JUCE only looks them up, and without
    // them it could not hear WM_DELETE_WINDOW.
    if (display != nullptr)
        for (const char* atom : { "WM_PROTOCOLS", "WM_TAKE_FOCUS", "WM_DELETE_WINDOW", "_NET_WM_PING", "WM_CHANGE_STATE",
                                  "WM_STATE", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN" })
            XInternAtom(display, atom, False);
}

VirtualDisplay::~VirtualDisplay()
{
    if (display != nullptr)
        XCloseDisplay(display);
    // Killed outright, Xvfb would leave its lock file in /tmp and take the number from later runs.
    if (server != nullptr)
        server->terminate(5000);
    server.reset();
}

std::vector<VirtualDisplay::Window> VirtualDisplay::findWindows(const juce::String& title)
{
    std::vector<Window> found;
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return found;

    for (unsigned int i = 0; i < count; ++i)
    {
        // The title is a UTF8_STRING property, which XFetchName does not read.
        XTextProperty property {};
        if (XGetWMName(display, children[i], &property) && property.value != nullptr)
        {
            const bool matches = juce::String::fromUTF8(reinterpret_cast<const char*>(property.value),
                                                        static_cast<int>(property.nitems))
                                 == title;
            XFree(property.value);
            XWindowAttributes attributes;
            if (matches && XGetWindowAttributes(display, children[i], &attributes)
                && attributes.map_state == IsViewable)
                found.push_back({ children[i], attributes.x, attributes.y, attributes.width, attributes.height });
        }
    }
    if (children != nullptr)
        XFree(children);
    return found;
}

std::optional<VirtualDisplay::Window> VirtualDisplay::waitForWindow(const juce::String& title, int timeoutMs)
{
    // JUCE maps small helper windows on the way; the main window is the big one once its size holds still.
    std::optional<Window> result, previous;
    waitFor([&]
    {
        std::optional<Window> candidate;
        for (const auto& w : findWindows(title))
            if (w.width >= 900 && w.height >= 500)
                candidate = w;

        const bool stable = candidate.has_value() && previous.has_value() && candidate->id == previous->id
                            && candidate->x == previous->x && candidate->y == previous->y
                            && candidate->width == previous->width && candidate->height == previous->height;
        previous = candidate;
        if (stable)
            result = candidate;
        return result.has_value();
    }, timeoutMs, 50);
    return result;
}

juce::uint32 VirtualDisplay::pixel(unsigned long window, int x, int y)
{
    auto* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr)
        return 0xffffffffu;
    const auto value = static_cast<juce::uint32>(XGetPixel(image, 0, 0)) & 0xffffffu;
    XDestroyImage(image);
    return value;
}

juce::Image VirtualDisplay::capture(unsigned long window)
{
    const auto g = geometry(window);
    auto* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(g.width), static_cast<unsigned>(g.height),
                            AllPlanes, ZPixmap);
    if (image == nullptr)
        return {};
    juce::Image result(juce::Image::RGB, g.width, g.height, false);
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x)
            result.setPixelAt(x, y, juce::Colour(0xff000000u | (static_cast<juce::uint32>(XGetPixel(image, x, y)))));
    XDestroyImage(image);
    return result;
}

void VirtualDisplay::requestClose(unsigned long window)
{
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

std::optional<int> VirtualDisplay::closeAndWait(ChildProcessHandle& program, unsigned long window, int timeoutMs)
{
    requestClose(window);
    waitForNudging(window, [&] { return !program.isRunning(); }, timeoutMs);
    return program.waitForExit(0);
}

void VirtualDisplay::nudge(unsigned long window)
{
    if (window == 0)
        return;
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "BRELM_TEST_WAKE", False);
    event.xclient.format = 32;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

bool VirtualDisplay::waitForNudging(unsigned long window, const std::function<bool()>& condition, int timeoutMs,
                                    int pollMs)
{
    auto lastNudge = juce::Time::getMillisecondCounter();
    return waitFor([&]
    {
        if (condition())
            return true;
        if (juce::Time::getMillisecondCounter() - lastNudge >= 500)
        {
            nudge(window);
            lastNudge = juce::Time::getMillisecondCounter();
        }
        return false;
    }, timeoutMs, pollMs);
}

VirtualDisplay::Window VirtualDisplay::geometry(unsigned long window)
{
    XWindowAttributes attributes {};
    XGetWindowAttributes(display, window, &attributes);
    return { window, attributes.x, attributes.y, attributes.width, attributes.height };
}

unsigned long VirtualDisplay::createFocusedWindow()
{
    const auto window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 60, 60, 0, 0, 0);
    XStoreName(display, window, "Other program");
    XMapRaised(display, window);
    XSync(display, False);
    waitFor([&]
    {
        XWindowAttributes attributes {};
        XGetWindowAttributes(display, window, &attributes);
        return attributes.map_state == IsViewable;
    }, 5000);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
    return window;
}

unsigned long VirtualDisplay::focusedWindow()
{
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    return focus;
}

bool VirtualDisplay::isSameOrAncestor(unsigned long ancestor, unsigned long window)
{
    const auto rootWindow = DefaultRootWindow(display);
    while (window != 0 && window != rootWindow && window != PointerRoot)
    {
        if (window == ancestor)
            return true;
        ::Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count))
            return false;
        if (children != nullptr)
            XFree(children);
        window = parent;
    }
    return false;
}

void VirtualDisplay::watchRootMessages()
{
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
}

std::vector<unsigned long> VirtualDisplay::activationRequests()
{
    const auto activeWindow = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    while (XPending(display) > 0)
    {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ClientMessage && event.xclient.message_type == activeWindow)
            activations.push_back(event.xclient.window);
    }
    return activations;
}
