#include "app/WebAddresses.h"

#ifndef BRELM_WEB_HOST
#define BRELM_WEB_HOST "www.brelm.example"
#endif

namespace WebAddresses
{
juce::String host()
{
    return BRELM_WEB_HOST;
}

juce::String site()
{
    return "https://" + host() + "/";
}

juce::String legalNotice()
{
    return "https://" + host() + "/en/legal-notice/";
}

juce::String updateManifest()
{
    return "https://" + host() + "/images/downloads/software/package_discovery_last.json";
}
} // namespace WebAddresses
