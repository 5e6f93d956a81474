// How live and settings values are written out. Every real uses "." as its
// decimal point whatever the user's locale.
#pragma once

#include <cstdint>
#include <string>

namespace varnok {

// Plain decimal, a leading "-" when negative, no grouping.
std::string IntegerText(long long value);
// General format with at most 15 significant digits: the shortest text for
// the value rounded to 15 digits, no trailing zeros or point (12.34, 12,
// -0.05, 0, 1.5, 0.007).
std::string RealText(double value);
// A bit of a bit field: "1" or "0".
std::string BitText(std::uint16_t bits, int bit);

}  // namespace varnok
