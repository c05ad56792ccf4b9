#pragma once

#include <juce_core/juce_core.h>

#include <sys/statvfs.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

/** Sets an environment variable for one scope (an empty value removes it) and restores it after. */
struct ScopedEnvironment
{
    ScopedEnvironment(const char* variable, const juce::String& value) : name(variable)
    {
        if (const char* old = std::getenv(variable))
            previous = old;
        value.isEmpty() ? ::unsetenv(variable) : ::setenv(variable, value.toRawUTF8(), 1);
    }
    ~ScopedEnvironment() { previous ? ::setenv(name, previous->c_str(), 1) : ::unsetenv(name); }

    const char* name;
    std::optional<std::string> previous;
};

/** A user of the test's own: home, settings, cache and runtime folders, no proxy, and an "xdg-open" first on PATH that
    writes down each argument it is given, one a line. In a folder of its own under /tmp, root's and sticky, so the
    folders on the way are the same wherever the clone lies (one inside another user's home would keep the program
    from its cache). Beside the test program only when /tmp is mounted noexec: a stand-in there would not run, and
    the launcher would go on to a real browser further down PATH. */
struct UserEnvironment
{
    ~UserEnvironment()
    {
        // Not File::deleteRecursively: JUCE takes a socket for a folder, and a socket left behind keeps the rest.
        std::error_code ignored;
        std::filesystem::remove_all(root.getFullPathName().toStdString(), ignored);
    }
    juce::File file(const juce::String& path) const { return root.getChildFile(path); }
    juce::String opened() const { return file("opened").loadFileAsString(); }
    juce::File settings() const { return file(".config/BrelmDiscovery/BrelmDiscovery.settings"); }

    const juce::File root = []
    {
        struct statvfs mount {};
        const auto base = ::statvfs("/tmp", &mount) == 0 && (mount.f_flag & ST_NOEXEC) == 0
                              ? juce::File("/tmp")
                              : juce::File::getSpecialLocation(juce::File::currentExecutableFile).getParentDirectory();
        auto name = base.getChildFile("brelm-user-XXXXXX").getFullPathName().toStdString();
        if (::mkdtemp(name.data()) == nullptr)  // never a relative or empty root: the stand-in is written below it
            throw std::runtime_error("cannot make a folder in " + base.getFullPathName().toStdString());
        return juce::File(name);
    }();
    const juce::File browser = file("bin/xdg-open");
    const bool made = file("runtime").createDirectory() && browser.create()
                      && browser.replaceWithText("#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"${0%/bin/xdg-open}/opened\"\n",
                                                 false, false, "\n")
                      && browser.setExecutePermission(true);
    ScopedEnvironment home { "HOME", root.getFullPathName() };
    ScopedEnvironment config { "XDG_CONFIG_HOME", file(".config").getFullPathName() };
    ScopedEnvironment cache { "XDG_CACHE_HOME", file("cache").getFullPathName() };
    ScopedEnvironment runtime { "XDG_RUNTIME_DIR", file("runtime").getFullPathName() };
    ScopedEnvironment path { "PATH", file("bin").getFullPathName() + ":" + juce::String(std::getenv("PATH")) };
    ScopedEnvironment proxies[8] { { "http_proxy", {} }, { "https_proxy", {} }, { "HTTP_PROXY", {} },
                                   { "HTTPS_PROXY", {} }, { "all_proxy", {} }, { "ALL_PROXY", {} },
                                   { "no_proxy", {} }, { "NO_PROXY", {} } };
};
