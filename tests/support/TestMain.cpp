#include <gtest/gtest.h>

#include <juce_events/juce_events.h>

#include <dlfcn.h>

namespace
{
/** Xlib's default error handler ends the process. A program gets a quiet one from JUCE, a test (no application
    object) does not, and on a bare X server without a window manager the first WM_STATE query fails. The library
    stays loaded, so JUCE later finds this handler in place. */
void tolerateXErrors()
{
    if (auto* lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_GLOBAL))
    {
        using Handler = int (*)(void*, void*);
        using SetHandler = Handler (*)(Handler);
        if (auto set = reinterpret_cast<SetHandler>(dlsym(lib, "XSetErrorHandler")))
            set([](void*, void*) { return 0; });
    }
}
} // namespace

// JUCE is initialised once for the whole run; the main thread is the message thread.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    tolerateXErrors();
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
