#pragma once
// The running engine behind the virtual ECU's monitor answers: engine speed
// sweeping through its range, the throttle opening and closing with it,
// temperatures creeping up after a cold start, the battery, injection time,
// ignition timing, gear and road speed following along. Values are physical;
// a monitor item turns them into its raw answer with its factor and offset.
#include <cstdint>
#include <string_view>

namespace zlm::sim {

// The physical value of the item called `name` (its "Diag.Com" name, case
// ignored) `seconds` after the engine started. Items the model does not know
// sweep slowly through `fullRaw` with a sine (returned as a raw value when
// `known` is set to false).
double engineValue(std::string_view name, double seconds, bool& known);

// The item's raw answer: (physical - offset) / factor, rounded and limited
// to 0..fullRaw. Unknown items give a slow sine over the whole range.
std::uint32_t engineRaw(std::string_view name, double factor, double offset,
                        std::uint32_t fullRaw, double seconds);

} // namespace zlm::sim
