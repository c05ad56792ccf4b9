// JUCE declares its X11 window system only with the X headers; they stay inside this file.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "app/WindowSizeHints.h"

void WindowSizeHints::publish(juce::ResizableWindow& window)
{
    auto* peer = window.getPeer();
    auto* limits = window.getConstrainer();
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    if (peer == nullptr || limits == nullptr || windowSystem == nullptr || windowSystem->getDisplay() == nullptr)
        return;

    // As JUCE writes them: the place in physical pixels, the limits less the frame the window manager adds.
    const auto place = juce::Desktop::getInstance().getDisplays().logicalToPhysical(peer->getBounds());
    const auto frameSize = peer->getFrameSizeIfPresent();
    const auto frame = frameSize ? *frameSize : juce::BorderSize<int>();
    const auto scale = peer->getPlatformScaleFactor();
    const auto scaled = [scale](int size, int less) { return juce::jmax(1, (int) (scale * size) - less); };

    juce::XWindowSystemUtilities::ScopedXLock lock;
    auto* x11 = juce::X11Symbols::getInstance();
    if (auto* hints = x11->xAllocSizeHints())
    {
        hints->flags = USPosition | USSize | PMinSize | PMaxSize;
        hints->x = place.getX();
        hints->y = place.getY();
        hints->width = place.getWidth();
        hints->height = place.getHeight();
        hints->min_width = scaled(limits->getMinimumWidth(), frame.getLeftAndRight());
        hints->min_height = scaled(limits->getMinimumHeight(), frame.getTopAndBottom());
        hints->max_width = scaled(limits->getMaximumWidth(), frame.getLeftAndRight());
        hints->max_height = scaled(limits->getMaximumHeight(), frame.getTopAndBottom());
        x11->xSetWMNormalHints(windowSystem->getDisplay(), (::Window) (juce::pointer_sized_uint) peer->getNativeHandle(),
                               hints);
        x11->xFree(hints);
    }
}
