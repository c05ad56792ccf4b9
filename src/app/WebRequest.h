#pragma once

#include <juce_core/juce_core.h>

#include <memory>

/**
    One GET that the updater relies on: a bounded connect time, and redirects followed one by one,
    each only to an https address. What it fetches is run silently, so a hop to plain http, where
    anyone on the way could swap the answer, fails the request. Cancellable from another thread.
*/
class WebRequest
{
public:
    explicit WebRequest(const juce::URL& url);

    /** Connects, following redirects; the stream of a 2xx answer, or null (error status, a redirect
        that is not to https, too many redirects, no connection, cancelled). The stream stays owned here. */
    juce::WebInputStream* open();

    /** Any thread, never waits for the network: makes open() fail from now on and ends a transfer in
        progress. A connect in progress is left to end on its own: curl lets go of a name lookup only when
        the lookup ends, and a cancel would wait for that. */
    void cancel();

    static constexpr int connectTimeoutMs = 30000;
    static constexpr int maxRedirects = 5;

private:
    const juce::URL url;
    juce::CriticalSection lock;
    bool cancelled = false;                        // guarded by lock
    bool connecting = false;                       // guarded by lock
    std::unique_ptr<juce::WebInputStream> stream;  // replaced under lock

    JUCE_DECLARE_NON_COPYABLE(WebRequest)
};
