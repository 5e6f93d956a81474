// Texts of the connect: the status line and the firmware version taken from
// the unit's identification.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnok {

inline constexpr std::string_view kUnknownDevice = "Неизвестное устройство!";

// The number in characters 21 to 23 (counted from 1) of the identification,
// read the way atol reads a string: leading blanks, an optional sign, digits
// up to the first other character; no digits, or a text shorter than 21
// characters, give 0. Kept as an unsigned 16-bit value. Positions are byte
// positions of the unit's own text.
std::uint16_t FirmwareVersion(std::string_view identification);

// The unit's text (Windows-1251, the unit's code page) as UTF-8, up to its
// first zero byte.
std::string Cp1251ToUtf8(std::string_view text);
// And back; characters the code page lacks become "?".
std::string Utf8ToCp1251(std::string_view text);

// Units below this version hold the tachograph constant in units of 8 pulses.
inline constexpr std::uint16_t kTachographUnitsVersion = 276;

}  // namespace varnok
