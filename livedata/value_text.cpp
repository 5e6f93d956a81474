#include "livedata/value_text.h"

#include <array>
#include <charconv>

namespace varnok {

std::string IntegerText(long long value) {
    return std::to_string(value);
}

std::string RealText(double value) {
    // std::to_chars ignores the locale, unlike printf's "%.15g".
    std::array<char, 64> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value,
                                      std::chars_format::general, 15);
    std::string out(text.data(), result.ptr);
    return out == "-0" ? "0" : out;
}

std::string BitText(std::uint16_t bits, int bit) {
    return ((bits >> bit) & 1U) != 0 ? "1" : "0";
}

}  // namespace varnok
