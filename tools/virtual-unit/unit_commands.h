// Text commands that steer a running VirtualUnit, one per line, as
// varnok-unit reads them on standard input. Each command gives one line of
// reply: "ok", a value, or "error: " and what was wrong.
#pragma once

#include <string>
#include <string_view>

#include "tools/virtual-unit/virtual_unit.h"

namespace varnok::unit {

class UnitCommands {
public:
    explicit UnitCommands(VirtualUnit& steered) : unit(steered) {}

    // Runs one command line; an empty line gives an empty reply.
    std::string Run(std::string_view line);

    static std::string Help();

private:
    VirtualUnit& unit;
};

}  // namespace varnok::unit
