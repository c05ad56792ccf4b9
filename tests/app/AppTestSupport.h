#pragma once

#include "support/MessageLoopWait.h"

#include <juce_events/juce_events.h>

/** Points an environment variable elsewhere for one test and restores it after. */
struct ScopedEnvironment
{
    ScopedEnvironment(const char* variable, const juce::String& value) : name(variable)
    {
        if (const char* old = std::getenv(variable))
            previous = old;
        ::setenv(variable, value.toRawUTF8(), 1);
    }
    ~ScopedEnvironment() { previous ? ::setenv(name, previous->c_str(), 1) : ::unsetenv(name); }

    const char* name;
    std::optional<std::string> previous;
};

/** A fresh home (settings in .config), cache and runtime folder, so nothing of the real user's is touched. */
struct ScopedUserFolders
{
    ~ScopedUserFolders() { root.deleteRecursively(); }
    juce::File file(const juce::String& path) const { return root.getChildFile(path); }

    // Beside the test program, not in the shared /tmp: folders others can write to get no downloads.
    const juce::File root { ::mkdtemp(juce::File::getSpecialLocation(juce::File::currentExecutableFile)
                                          .getSiblingFile("user-XXXXXX").getFullPathName().toStdString().data()) };
    const bool made = file("runtime").createDirectory().wasOk();
    ScopedEnvironment home { "HOME", root.getFullPathName() };
    ScopedEnvironment cache { "XDG_CACHE_HOME", file("cache").getFullPathName() };
    ScopedEnvironment runtime { "XDG_RUNTIME_DIR", file("runtime").getFullPathName() };
};

/** Runs every call posted so far: a marker posted now runs after them. */
inline bool drain()
{
    auto done = std::make_shared<bool>(false);
    juce::MessageManager::callAsync([done] { *done = true; });
    return pumpUntil([done] { return *done; });
}
