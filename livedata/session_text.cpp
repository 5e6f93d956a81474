#include "livedata/session_text.h"

#include <cctype>

namespace varnok {

std::uint16_t FirmwareVersion(std::string_view text) {
    if (text.size() < 21) {
        return 0;
    }
    const std::string_view field = text.substr(20, 3);
    std::size_t i = 0;
    while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i])) != 0) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    long value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
    }
    return static_cast<std::uint16_t>(negative ? -value : value);
}

}  // namespace varnok
