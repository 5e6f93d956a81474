// Device path of a serial port from the name the user typed or picked.
#pragma once

#include <string>
#include <string_view>

namespace varnok {

// A name starting with "/" is used as it is; "COMn" (n from 1) is
// "/dev/ttyS(n-1)", so "COM1" is /dev/ttyS0; any other name is "/dev/"
// followed by the name ("ttyUSB0", "pts/3").
std::string DevicePathForPort(std::string_view portName);

}  // namespace varnok
