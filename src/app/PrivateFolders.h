#pragma once

#include <juce_core/juce_core.h>

/**
    Folders that only this user can write to. /tmp and /var/tmp are shared by every user, so a fixed
    name there can be taken first by someone else; what we run, lock or listen on lives here instead.
*/
struct PrivateFolders
{
    /** ($XDG_CACHE_HOME or ~/.cache)/BrelmDiscovery, made private; a null File when it cannot be had, and then
        refusal (when given) names the folder that was refused and why. */
    static juce::File cache(juce::String* refusal = nullptr);

    /** $XDG_RUNTIME_DIR when it is this user's own and nobody else can write to it; otherwise cache(). */
    static juce::File runtime(juce::String* refusal = nullptr);
};
