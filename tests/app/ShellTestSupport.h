#pragma once

#include <juce_core/juce_core.h>

#include <cstdlib>
#include <string>

/** Points an environment variable elsewhere for one test and restores it after. */
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* variableName, const juce::String& value)
        : name(variableName)
    {
        if (const char* old = std::getenv(variableName))
        {
            hadValue = true;
            oldValue = old;
        }
        ::setenv(variableName, value.toRawUTF8(), 1);
    }

    ~ScopedEnvironment()
    {
        if (hadValue)
            ::setenv(name.c_str(), oldValue.c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }

private:
    std::string name;
    bool hadValue = false;
    std::string oldValue;
};

/** A fresh home (JUCE finds ~/.config through HOME) and runtime folder, so nothing real is touched. */
class ScopedUserFolders
{
public:
    ScopedUserFolders()
        : root(juce::File::createTempFile("brelm-shell-test")),
          config((root.createDirectory(), root.getChildFile(".config"))),
          runtime(root.getChildFile("runtime")),
          homeEnv("HOME", root.getFullPathName()),
          runtimeEnv("XDG_RUNTIME_DIR", runtime.getFullPathName())
    {
        config.createDirectory();
        runtime.createDirectory();
    }

    ~ScopedUserFolders() { root.deleteRecursively(); }

    const juce::File root;
    const juce::File config;
    const juce::File runtime;

private:
    ScopedEnvironment homeEnv;
    ScopedEnvironment runtimeEnv;
};
