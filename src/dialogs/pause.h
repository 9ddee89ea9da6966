#pragma once

#include <cstdint>

namespace corvane {

/// Waits `duration` milliseconds (at most 32767) while the event loop goes on: windows
/// repaint and buttons work during the wait. Sleeps while no event is pending. A duration
/// of 0 or less returns at once without processing any event.
void PauseMilliseconds(std::int16_t duration);

}  // namespace corvane
