// Kept apart from the tests: the X headers' macros would clash with GoogleTest's.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>

namespace table_test
{
namespace
{
int ignoreXError(::Display*, ::XErrorEvent*)
{
    return 0;
}
} // namespace

// A program installs a forgiving X error handler at start-up; a test process has no application object, so
// the first window-manager query on a bare X server (no WM_STATE atom yet) would end the process.
void tolerateXErrors()
{
    if (auto* symbols = juce::X11Symbols::getInstance())
        symbols->xSetErrorHandler(ignoreXError);
}
} // namespace table_test
