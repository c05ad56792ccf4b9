#pragma once

#include <functional>

/** Runs the JUCE message loop until the condition holds or the timeout passes; true when it held. */
bool pumpUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

/** Runs the JUCE message loop for this long (for checks that something does not happen). */
void pumpFor(int milliseconds);
