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

    /** Any thread, returns at once: makes open() fail from now on and ends a connect or read in progress.
        curl lets go of a name lookup only when the lookup ends, so the stream is cancelled on a thread of
        its own that keeps it alive; this object may be destroyed meanwhile. */
    void cancel();

    static constexpr int connectTimeoutMs = 30000;
    static constexpr int maxRedirects = 5;

private:
    const juce::URL url;
    juce::CriticalSection lock;
    bool cancelled = false;                        // guarded by lock
    std::shared_ptr<juce::WebInputStream> stream;  // replaced under lock

    JUCE_DECLARE_NON_COPYABLE(WebRequest)
};
