#include "app/WebRequest.h"

namespace
{
// Where a redirect's Location leads, relative to the address that answered with it.
juce::String resolveLocation(const juce::URL& base, const juce::String& location)
{
    const auto target = location.trim();

    if (target.isEmpty() || target.upToFirstOccurrenceOf("/", false, false).containsChar(':'))
        return target;

    if (target.startsWith("//"))
        return base.getScheme() + ":" + target;

    const auto baseText = base.toString(false);
    const auto pathStart = baseText.indexOfChar(baseText.indexOf("://") + 3, '/');
    const auto origin = pathStart < 0 ? baseText : baseText.substring(0, pathStart);

    if (target.startsWithChar('/'))
        return origin + target;

    return (pathStart < 0 ? origin + "/" : baseText.upToLastOccurrenceOf("/", true, false)) + target;
}
}  // namespace

WebRequest::WebRequest(const juce::URL& address) : url(address)
{
}

juce::WebInputStream* WebRequest::open()
{
    auto address = url;

    for (int hop = 0; hop <= maxRedirects; ++hop)
    {
        auto next = std::make_unique<juce::WebInputStream>(address, false);
        // The framework would follow redirects without showing where they lead.
        next->withNumRedirectsToFollow(0).withConnectionTimeout(connectTimeoutMs);
        juce::WebInputStream* current = nullptr;

        {
            const juce::ScopedLock sl(lock);

            if (cancelled)
                return nullptr;

            stream = std::move(next);
            current = stream.get();
            connecting = true;
        }

        const bool connected = current->connect(nullptr);

        {
            const juce::ScopedLock sl(lock);
            connecting = false;

            if (!connected || cancelled)
                return nullptr;
        }

        const auto status = current->getStatusCode();

        if (status >= 200 && status < 300)
            return current;

        if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308)
            return nullptr;

        const auto location = resolveLocation(address, current->getResponseHeaders()["Location"]);

        if (!location.startsWithIgnoreCase("https://"))
            return nullptr;

        address = juce::URL(location);
    }

    return nullptr;
}

void WebRequest::cancel()
{
    const juce::ScopedLock sl(lock);
    cancelled = true;

    if (stream != nullptr && !connecting)
        stream->cancel();
}
