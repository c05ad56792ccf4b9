#include "ProgramHarness.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

ChildProcessHandle::ChildProcessHandle(const juce::StringArray& arguments, const juce::File& outputFile)
{
    std::vector<std::string> strings((size_t) arguments.size());
    std::vector<char*> argv;
    for (int i = 0; i < arguments.size(); ++i)
        argv.push_back((strings[(size_t) i] = arguments[i].toStdString()).data());
    argv.push_back(nullptr);
    const auto output = outputFile.getFullPathName().toStdString();
    pid = ::fork();  // the child keeps this thread's network namespace
    if (pid == 0)
    {
        const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::setpgid(0, 0);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
}

ChildProcessHandle::~ChildProcessHandle()
{
    // Killed outright, Xvfb would leave its lock file in /tmp behind.
    if (isRunning() && (::kill(pid, SIGTERM), ! waitForExit(5000)))
        ::kill(pid, SIGKILL), ::waitpid(pid, nullptr, 0);
}

bool ChildProcessHandle::isRunning()
{
    int status = 0;
    if (! exitCode && pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid)
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return pid > 0 && ! exitCode;
}

namespace
{
// The first folder on the way to path, or path itself, that the user cannot pass (or use with mode); empty when none.
juce::String unreachable(const juce::File& path, int uid, int mode)
{
    std::vector<std::string> steps;  // from the root down to path
    for (auto step = path; steps.empty() || ! step.isRoot(); step = step.getParentDirectory())
        steps.insert(steps.begin(), step.getFullPathName().toStdString());
    steps.insert(steps.begin(), "/");
    const pid_t child = ::fork();
    if (child == 0)
    {
        if (::setgroups(0, nullptr) != 0 || ::setgid((gid_t) uid) != 0 || ::setuid((uid_t) uid) != 0)
            ::_exit(254);
        for (size_t i = 0; i < steps.size(); ++i)
            if (::access(steps[i].c_str(), i + 1 < steps.size() ? X_OK : mode) != 0)
                ::_exit((int) i);
        ::_exit(255);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 254;
    return code == 255 ? juce::String()
                       : code < (int) steps.size() ? juce::String(steps[(size_t) code]) : "(no such user to become)";
}
} // namespace

ProgramSession::ProgramSession()
{
    // Not beside this program: a clone may lie where other users cannot enter (under /root). 0755 for their homes.
    home = juce::File(::mkdtemp(std::string("/tmp/brelm-e2e-XXXXXX").data()));
    if (home == juce::File())
        throw std::runtime_error("cannot make a folder in /tmp");
    ::chmod(home.getFullPathName().toRawUTF8(), 0755);
    ::mkdir(home.getChildFile("runtime").getFullPathName().toRawUTF8(), 0700);

    // Xvfb takes a display number nobody holds and tells it on its standard output.
    const auto output = home.getChildFile("xvfb.out");
    xServer = std::make_unique<ChildProcessHandle>(
        juce::StringArray { "/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "1400x900x24", "-noreset", "-nolisten",
                            "tcp", "-nolisten", "unix" },
        output);
    waitFor([&]
    {
        displayName = ":" + juce::StringArray::fromLines(output.loadFileAsString().trim()).strings.getLast();
        return ! xServer->isRunning() || (display = XOpenDisplay(displayName.toRawUTF8())) != nullptr;
    }, 15000);
    if (display == nullptr)
        throw std::runtime_error("no Xvfb could be started");
    // A window manager makes these long before any program starts; JUCE only looks them up.
    for (const char* atom : { "WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_TAKE_FOCUS", "_NET_WM_PING", "WM_STATE" })
        XInternAtom(display, atom, False);
}

ProgramSession::~ProgramSession()
{
    endXServer();
    // Not File::deleteRecursively: JUCE takes a socket for a folder, and a program that lost its display leaves one.
    std::error_code ignored;
    std::filesystem::remove_all(home.getFullPathName().toStdString(), ignored);
}

void ProgramSession::endXServer(bool keepName)
{
    // Our own connection goes first: Xlib would end this test at the first request on a broken one.
    if (display != nullptr)
        XCloseDisplay(display);
    display = nullptr;
    window = 0;
    xServer.reset();
    if (! keepName)
        displayName = {};
}

std::unique_ptr<ChildProcessHandle> ProgramSession::start(const juce::StringArray& arguments,
                                                         const juce::String& logName, int uid)
{
    if (! TestNetwork::isPrivate())
        return nullptr;
    // Another user's home is a folder of theirs inside ours.
    const auto user = uid == 0 ? home : home.getChildFile("user" + juce::String(uid));
    if (uid != 0 && ! user.isDirectory())
        ChildProcessHandle({ "/usr/bin/install", "-d", "-m", "0700", "-o", juce::String(uid), "-g", juce::String(uid),
                             user.getFullPathName(), user.getChildFile("runtime").getFullPathName() },
                           home.getChildFile("install.out")).waitForExit(5000);
    juce::StringArray args { "/usr/bin/env", "-i", "HOME=" + user.getFullPathName(),
                             "XDG_RUNTIME_DIR=" + user.getChildFile("runtime").getFullPathName(),
                             "DISPLAY=" + displayName, "PATH=/usr/bin:/bin", "/usr/bin/setpriv",
                             "--reuid=" + juce::String(uid), "--regid=" + juce::String(uid), "--clear-groups",
                             programFor(uid, user) };
    args.addArray(arguments);
    return std::make_unique<ChildProcessHandle>(args, home.getChildFile(logName + ".log"));
}

juce::String ProgramSession::programFor(int uid, const juce::File& user)
{
    // The build's own, or a copy here when the user cannot enter the clone.
    auto program = juce::File(BRELM_PROGRAM_PATH);
    if (unreachable(program, uid, X_OK).isNotEmpty())
    {
        const auto copy = home.getChildFile("bin").getChildFile(program.getFileName());
        if (! copy.existsAsFile())
            copy.getParentDirectory().createDirectory(), program.copyFileTo(copy);
        ::chmod(copy.getParentDirectory().getFullPathName().toRawUTF8(), 0755);
        ::chmod(copy.getFullPathName().toRawUTF8(), 0755);
        program = copy;
    }
    for (const auto& [path, mode] : { std::pair(program, X_OK), std::pair(user, R_OK | W_OK | X_OK) })
        if (const auto folder = unreachable(path, uid, mode); folder.isNotEmpty())
            throw std::runtime_error("user " + std::to_string(uid) + " cannot reach \"" + folder.toStdString()
                                     + "\" on the way to \"" + path.getFullPathName().toStdString() + "\"");
    return program.getFullPathName();
}

double ProgramSession::waitForLog(const juce::String& text, int timeoutMs)
{
    return until([&] { return log().contains(text); }, timeoutMs) ? juce::Time::getMillisecondCounterHiRes() : 0;
}

bool ProgramSession::waitForWindow(unsigned long other)
{
    // The program maps its main window once, where it belongs.
    return waitFor([&]
    {
        serveWindowRequests();
        const auto windows = mainWindows();
        window = windows.empty() || windows.back() == other ? 0 : windows.back();
        return window != 0;
    }, 30000);
}

bool ProgramSession::closeAndWait(ChildProcessHandle& program)
{
    send("WM_PROTOCOLS", (long) XInternAtom(display, "WM_DELETE_WINDOW", False));
    until([&] { return ! program.isRunning(); });
    window = 0;
    return program.waitForExit(0) == std::optional<int>(0);
}

bool ProgramSession::until(const std::function<bool()>& condition, int timeoutMs)
{
    int polls = 0;
    return waitFor([&]
    {
        serveWindowRequests();
        if (window != 0 && ++polls % 25 == 0)
            send("BRELM_TEST_WAKE", 0);
        return condition();
    }, timeoutMs);
}

juce::Rectangle<int> ProgramSession::geometry()
{
    XWindowAttributes a {};
    XGetWindowAttributes(display, window, &a);
    return { a.x, a.y, a.width, a.height };
}

std::vector<juce::uint32> ProgramSession::pixels(juce::Rectangle<int> r)
{
    std::vector<juce::uint32> values((size_t) (r.getWidth() * r.getHeight()), 0xffffffffu);
    if (auto* image = XGetImage(display, window, r.getX(), r.getY(), (unsigned) r.getWidth(), (unsigned) r.getHeight(),
                                AllPlanes, ZPixmap))
    {
        for (int i = 0; i < (int) values.size(); ++i)
            values[(size_t) i] = (juce::uint32) XGetPixel(image, i % r.getWidth(), i / r.getWidth()) & 0xffffffu;
        XDestroyImage(image);
    }
    return values;
}

void ProgramSession::click(juce::Point<int> at, unsigned int button)
{
    const auto onScreen = geometry().getPosition() + at;
    XTestFakeMotionEvent(display, -1, onScreen.x, onScreen.y, CurrentTime);
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
}

void ProgramSession::key(const juce::String& chord)
{
    const auto names = juce::StringArray::fromTokens(chord, "+", "");
    for (int i = 0; i < names.size() * 2; ++i)  // pressed in order, released in reverse
    {
        const auto keysym = XStringToKeysym(names[std::min(i, names.size() * 2 - 1 - i)].toRawUTF8());
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, keysym), i < names.size(), CurrentTime);
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
    // Only the program maps windows here; the helpers JUCE maps on the way are small.
    std::vector<unsigned long> found;
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    for (unsigned int i = 0; i < count; ++i)
    {
        XWindowAttributes a {};
        if (XGetWindowAttributes(display, children[i], &a) && a.map_state == IsViewable && a.width >= 900)
            found.push_back(children[i]);
    }
    XFree(children);
    return found;
}

void ProgramSession::setFocus(unsigned long to)
{
    XSetInputFocus(display, to, RevertToNone, CurrentTime);
    XSync(display, False);
}

unsigned long ProgramSession::focus()
{
    ::Window focused = 0;
    int revert = 0;
    XGetInputFocus(display, &focused, &revert);
    return focused;
}

void ProgramSession::manageWindows()
{
    XSelectInput(display, DefaultRootWindow(display), SubstructureRedirectMask);
    XSync(display, False);
    managing = true;
}

juce::String ProgramSession::describedAtMapping(unsigned long w) const
{
    const auto found = mapRequests.find(w);
    return found != mapRequests.end() ? found->second : juce::String();
}

void ProgramSession::serveWindowRequests()
{
    while (managing && XPending(display) > 0)
    {
        XEvent event {};
        XNextEvent(display, &event);
        if (event.type == MapRequest)
        {
            const auto w = event.xmaprequest.window;
            juce::String text;
            XTextProperty name {};
            if (XGetWMName(display, w, &name) != 0 && name.value != nullptr)
            {
                text << "\"" << juce::String::fromUTF8((const char*) name.value, (int) name.nitems) << "\"";
                XFree(name.value);
            }
            XSizeHints hints {};
            long supplied = 0;
            if (XGetWMNormalHints(display, w, &hints, &supplied) != 0)
            {
                if ((hints.flags & USPosition) != 0)
                    text << " at " << hints.x << "," << hints.y;
                if ((hints.flags & USSize) != 0)
                    text << " size " << hints.width << "x" << hints.height;
                if ((hints.flags & PMinSize) != 0)
                    text << ", min " << hints.min_width << "x" << hints.min_height;
                if ((hints.flags & PMaxSize) != 0)
                    text << ", max " << hints.max_width << "x" << hints.max_height;
            }
            mapRequests.emplace(w, text);
            XMapWindow(display, w);
        }
        else if (event.type == ConfigureRequest)
        {
            const auto& r = event.xconfigurerequest;
            XWindowChanges changes { r.x, r.y, r.width, r.height, r.border_width, r.above, r.detail };
            XConfigureWindow(display, r.window, (unsigned int) r.value_mask, &changes);
        }
    }
    XFlush(display);
}

void ProgramSession::send(const char* type, long value)
{
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, type, False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = value;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}
