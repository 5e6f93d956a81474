#include "tools/virtual-unit/unit_options.h"

#include <charconv>
#include <cmath>

namespace varnok::unit {

namespace {

bool ParseLong(const std::string& text, long low, long high, long& value) {
    const char* end = text.data() + text.size();
    long parsed = 0;
    const auto [at, code] = std::from_chars(text.data(), end, parsed);
    if (code != std::errc() || at != end || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParseReal(const std::string& text, double low, double high, double& value) {
    std::size_t used = 0;
    double parsed = 0;
    try {
        parsed = std::stod(text, &used);
    } catch (...) {
        return false;
    }
    if (used != text.size() || !std::isfinite(parsed) || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

}  // namespace

std::string UnitUsage() {
    return "Usage: varnok-unit [options]\n"
           "A simulated engine control unit on a pseudo-terminal (or on a serial device).\n"
           "Prints the port name to use in the program (\"pts/N\"), then reads commands,\n"
           "one per line, on standard input (\"help\" lists them).\n"
           "\n"
           "  --device PATH             serve this serial device instead of a pseudo-terminal\n"
           "  --no-echo                 do not echo received bytes (echo is on by default)\n"
           "  --no-pace                 send at once instead of at the line speed\n"
           "  --pending N               answer 7F xx 78 N times before every answer\n"
           "  --pending-gap MS          time between those answers (default 20)\n"
           "  --silent-after-frames N   stop answering after N request frames\n"
           "  --silent-after-seconds S  stop answering S seconds after the start\n"
           "  --corrupt SHARE           send this share (0 to 1) of frames with a bad checksum\n"
           "  --mute-start              give no answer to StartCommunication\n"
           "  --trace                   print every frame on the line to standard error\n"
           "  --firmware N              firmware version in the identification (default 276)\n"
           "  --no-driver               nobody works the pedal until told to\n"
           "  --stop-time MS            engine run-down after a stop request (default 1000)\n"
           "  --restart-after MS        engine restart after the stop request is withdrawn\n"
           "                            (default 5000, 0: never)\n"
           "  --store-reads N           status reads that show 1 while storing (default 2)\n"
           "  --seed N                  seed of the noise on the live values\n"
           "  --help                    show this text\n";
}

bool ParseUnitOptions(const std::vector<std::string>& args, UnitOptions& options, bool& help,
                      std::string& error) {
    help = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        const auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        const auto number = [&](long low, long high, long& out) {
            std::string text;
            if (!value(text)) return false;
            if (!ParseLong(text, low, high, out)) {
                error = name + ": " + text + " is not a whole number from " + std::to_string(low) +
                        " to " + std::to_string(high);
                return false;
            }
            return true;
        };
        const auto real = [&](double low, double high, double& out) {
            std::string text;
            if (!value(text)) return false;
            if (!ParseReal(text, low, high, out)) {
                error = name + ": " + text + " is not a number from " + std::to_string(low) +
                        " to " + std::to_string(high);
                return false;
            }
            return true;
        };
        long n = 0;
        if (name == "--help" || name == "-h") {
            help = true;
        } else if (name == "--device") {
            if (!value(options.device)) return false;
        } else if (name == "--echo") {
            options.line.echo = true;
        } else if (name == "--no-echo") {
            options.line.echo = false;
        } else if (name == "--pace") {
            options.line.pace = true;
        } else if (name == "--no-pace") {
            options.line.pace = false;
        } else if (name == "--pending") {
            if (!number(0, 1000, n)) return false;
            options.line.pendingCount = static_cast<int>(n);
        } else if (name == "--pending-gap") {
            if (!number(1, 10000, n)) return false;
            options.line.pendingGapMs = static_cast<int>(n);
        } else if (name == "--silent-after-frames") {
            if (!number(0, 1'000'000'000, options.line.silentAfterFrames)) return false;
        } else if (name == "--silent-after-seconds") {
            if (!real(0, 1e9, options.line.silentAfterSeconds)) return false;
        } else if (name == "--corrupt") {
            if (!real(0, 1, options.line.corruptShare)) return false;
        } else if (name == "--mute-start") {
            options.line.answerStartCommunication = false;
        } else if (name == "--trace") {
            options.line.trace = true;
        } else if (name == "--firmware") {
            if (!number(0, 999, n)) return false;
            options.model.firmwareVersion = static_cast<std::uint16_t>(n);
        } else if (name == "--no-driver") {
            options.model.driver = false;
        } else if (name == "--stop-time") {
            if (!number(0, 60000, n)) return false;
            options.model.stopTimeMs = static_cast<int>(n);
        } else if (name == "--restart-after") {
            if (!number(0, 3'600'000, n)) return false;
            options.model.restartAfterMs = static_cast<int>(n);
        } else if (name == "--store-reads") {
            if (!number(0, 1000, n)) return false;
            options.model.storeBusyReads = static_cast<int>(n);
        } else if (name == "--seed") {
            if (!number(0, 4294967295L, n)) return false;
            options.model.seed = static_cast<std::uint32_t>(n);
        } else {
            error = "unknown option " + name;
            return false;
        }
    }
    return true;
}

}  // namespace varnok::unit
