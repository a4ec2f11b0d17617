// The 7-segment digits of the devices window: which bit of a port lights which segment, and the segments
// that draw a hexadecimal digit when a display shows its port's value in hexadecimal.
//
// Segments a to g are bits 0 to 6 and the decimal point bit 7, common cathode (a 1 lights it):
//
//      a
//    f   b
//      g
//    e   c
//      d   dp
//
//   uint8_t seg = kHexSegments[0xB];        // "b": c, d, e, f, g
//   bool lit = seg & segmentBit(Segment::G);
#pragma once

#include <array>
#include <cstdint>

namespace vandor {

enum class Segment { A, B, C, D, E, F, G, DP };

constexpr uint8_t segmentBit(Segment s) { return static_cast<uint8_t>(1u << static_cast<unsigned>(s)); }

// 0-9, then A, b, C, d, E, F as a trainer kit's monitor shows them.
inline constexpr std::array<uint8_t, 16> kHexSegments = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07,
                                                          0x7F, 0x6F, 0x77, 0x7C, 0x39, 0x5E, 0x79, 0x71};

}  // namespace vandor
