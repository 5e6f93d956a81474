#include "link/device_path.h"

#include <charconv>

namespace varnok {

std::string DevicePathForPort(std::string_view name) {
    if (!name.empty() && name.front() == '/') {
        return std::string(name);
    }
    if (name.size() > 3 && name.substr(0, 3) == "COM") {
        const std::string_view digits = name.substr(3);
        unsigned number = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (error == std::errc{} && end == digits.data() + digits.size() && number >= 1 &&
            digits.front() != '0') {
            return "/dev/ttyS" + std::to_string(number - 1);
        }
    }
    return "/dev/" + std::string(name);
}

}  // namespace varnok
