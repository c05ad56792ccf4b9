#include "DesktopDriver.h"

#include "ProgramHarness.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

DesktopDriver::DesktopDriver(const juce::String& displayName, const juce::File& scratchFolder)
    : display(displayName), scratch(scratchFolder)
{
    scratch.createDirectory();
}

bool DesktopDriver::runTool(const juce::StringArray& arguments, juce::String* output, int timeoutMs)
{
    juce::StringPairArray env;
    env.set("PATH", "/usr/bin:/bin");
    env.set("DISPLAY", display);
    const auto outputFile = scratch.getChildFile("tool-" + juce::String(++toolRuns) + ".out");
    ChildProcessHandle tool(arguments, env, outputFile);
    const auto code = tool.waitForExit(timeoutMs);
    if (output != nullptr)
        *output = outputFile.loadFileAsString();
    outputFile.deleteFile();
    return code.has_value() && *code == 0;
}

bool DesktopDriver::xdotool(const juce::StringArray& arguments)
{
    juce::StringArray all { "/usr/bin/xdotool" };
    all.addArray(arguments);
    return runTool(all);
}

bool DesktopDriver::moveTo(unsigned long window, juce::Point<int> point)
{
    // No --sync: it waits for a motion that never comes when the pointer is already there. The server
    // handles the tool's events in order, so a click that follows lands on the new position anyway.
    return xdotool({ "mousemove", "--window", juce::String(window), juce::String(point.x), juce::String(point.y) });
}

bool DesktopDriver::click(unsigned long window, juce::Point<int> point, int button)
{
    return xdotool({ "mousemove", "--window", juce::String(window), juce::String(point.x), juce::String(point.y),
                     "click", juce::String(button) });
}

bool DesktopDriver::clickScreen(juce::Point<int> point, int button)
{
    return xdotool({ "mousemove", juce::String(point.x), juce::String(point.y), "click", juce::String(button) });
}

bool DesktopDriver::clickWith(unsigned long window, juce::Point<int> point, const juce::StringArray& modifiers)
{
    juce::StringArray arguments { "mousemove", "--window", juce::String(window), juce::String(point.x),
                                  juce::String(point.y) };
    for (const auto& m : modifiers)
        arguments.addArray({ "keydown", m });
    arguments.addArray({ "click", "1" });
    for (int i = modifiers.size(); --i >= 0;)
        arguments.addArray({ "keyup", modifiers[i] });
    return xdotool(arguments);
}

bool DesktopDriver::type(const juce::String& text)
{
    return xdotool({ "type", "--delay", "40", text });
}

bool DesktopDriver::key(const juce::String& keys)
{
    return xdotool({ "key", "--delay", "40", keys });
}

juce::Rectangle<int> DesktopDriver::windowGeometry(unsigned long window)
{
    juce::String text;
    if (!runTool({ "/usr/bin/xdotool", "getwindowgeometry", "--shell", juce::String(window) }, &text))
        return {};
    juce::StringPairArray values;
    for (const auto& line : juce::StringArray::fromLines(text))
        if (line.contains("="))
            values.set(line.upToFirstOccurrenceOf("=", false, false), line.fromFirstOccurrenceOf("=", false, false));
    return { values["X"].getIntValue(), values["Y"].getIntValue(), values["WIDTH"].getIntValue(),
             values["HEIGHT"].getIntValue() };
}

juce::Image DesktopDriver::screenshot(const juce::File& pngFile)
{
    pngFile.getParentDirectory().createDirectory();
    pngFile.deleteFile();
    const auto command = "xwd -root -silent -display " + display + " | /usr/bin/convert xwd:- png:"
                         + pngFile.getFullPathName().quoted('\'');
    if (!runTool({ "/bin/sh", "-c", command }, nullptr, 30000))
        return {};
    return juce::ImageFileFormat::loadFrom(pngFile);
}

juce::String DesktopDriver::clipboardText(int timeoutMs)
{
    auto* x = XOpenDisplay(display.toRawUTF8());
    if (x == nullptr)
        return {};

    const auto window = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 1, 1, 0, 0, 0);
    const auto clipboard = XInternAtom(x, "CLIPBOARD", False);
    const auto utf8 = XInternAtom(x, "UTF8_STRING", False);
    const auto property = XInternAtom(x, "BRELM_E2E_CLIPBOARD", False);
    XConvertSelection(x, clipboard, utf8, property, window, CurrentTime);
    XFlush(x);

    juce::String result;
    const auto deadline = juce::Time::getMillisecondCounterHiRes() + timeoutMs;
    bool answered = false;
    while (!answered && juce::Time::getMillisecondCounterHiRes() < deadline)
    {
        while (XPending(x) > 0)
        {
            XEvent event;
            XNextEvent(x, &event);
            if (event.type != SelectionNotify)
                continue;
            answered = true;
            if (event.xselection.property == None)
                break;
            Atom type = None;
            int format = 0;
            unsigned long items = 0, remaining = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(x, window, property, 0, 1 << 20, True, AnyPropertyType, &type, &format, &items,
                                   &remaining, &data) == Success
                && data != nullptr)
            {
                result = juce::String::fromUTF8(reinterpret_cast<const char*>(data), static_cast<int>(items));
                XFree(data);
            }
        }
        if (!answered)
            juce::Thread::sleep(10);
    }

    XDestroyWindow(x, window);
    XCloseDisplay(x);
    return result;
}

juce::Array<juce::Rectangle<int>> DesktopDriver::visibleWindows()
{
    juce::Array<juce::Rectangle<int>> found;
    auto* x = XOpenDisplay(display.toRawUTF8());
    if (x == nullptr)
        return found;
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count))
    {
        for (unsigned int i = 0; i < count; ++i)
        {
            XWindowAttributes attributes {};
            if (XGetWindowAttributes(x, children[i], &attributes) && attributes.map_state == IsViewable)
                found.add({ attributes.x, attributes.y, attributes.width, attributes.height });
        }
        if (children != nullptr)
            XFree(children);
    }
    XCloseDisplay(x);
    return found;
}
