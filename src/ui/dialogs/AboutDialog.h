#pragma once

#include <juce_core/juce_core.h>

class AppContext;

/** The about box: program name, version, what it finds, a few tips and the legal-notice link. */
class AboutDialog
{
public:
    static juce::String title();
    /** "Version " and the running application's version (nothing after it without an application object). */
    static juce::String message();
    static juce::String detailText();
    static juce::String linkText();
    static juce::String legalNoticeUrl();

    /** Hands the dialog to the context's dialog callback; does nothing while that is unset. */
    static void show(AppContext& context);
};
