#ifndef VELMORA_PLATFORM_UNITS_H_
#define VELMORA_PLATFORM_UNITS_H_

namespace velmora {

// Lengths in track files, racing lines, objects and sprites of every game are whole units of
// 1/19685 metre (1/500 inch).
inline constexpr double kUnitsPerMetre = 19685.0;

}  // namespace velmora

#endif  // VELMORA_PLATFORM_UNITS_H_
