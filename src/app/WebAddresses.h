#pragma once

#include <juce_core/juce_core.h>

/** The maker's web addresses, all on the one host chosen at build time (BRELM_WEB_HOST). */
namespace WebAddresses
{
juce::String host();
juce::String site();           // "https://<host>/"
juce::String legalNotice();    // "https://<host>/en/legal-notice/"
juce::String updateManifest(); // "https://<host>/images/downloads/software/package_discovery_last.json"
} // namespace WebAddresses
