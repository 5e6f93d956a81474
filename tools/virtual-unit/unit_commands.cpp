#include "tools/virtual-unit/unit_commands.h"

#include <sstream>
#include <vector>

namespace varnok::unit {

namespace {

bool Number(const std::string& text, long long low, long long high, long long& value) {
    try {
        std::size_t used = 0;
        const long long parsed = std::stoll(text, &used, 0);
        if (used != text.size() || parsed < low || parsed > high) {
            return false;
        }
        value = parsed;
        return true;
    } catch (...) {
        return false;
    }
}

bool Real(const std::string& text, double low, double high, double& value) {
    try {
        std::size_t used = 0;
        const double parsed = std::stod(text, &used);
        if (used != text.size() || !(parsed >= low && parsed <= high)) {
            return false;
        }
        value = parsed;
        return true;
    } catch (...) {
        return false;
    }
}

bool OnOff(const std::string& text, bool& value) {
    if (text == "on") {
        value = true;
    } else if (text == "off") {
        value = false;
    } else {
        return false;
    }
    return true;
}

const char* PhaseName(EngineModel::Phase phase) {
    switch (phase) {
        case EngineModel::Phase::Running:
            return "running";
        case EngineModel::Phase::Stopping:
            return "stopping";
        case EngineModel::Phase::Stopped:
            return "stopped";
        case EngineModel::Phase::Cranking:
            return "cranking";
    }
    return "?";
}

}  // namespace

std::string UnitCommands::Help() {
    return "commands, one per line:\n"
           "  set OBJECT OFFSET VALUE [BYTES]  put a value (2 bytes unless told); a live value\n"
           "                                   stays where it was put until released\n"
           "  get OBJECT OFFSET [BYTES]        show a value, unsigned\n"
           "  release OBJECT OFFSET | all      let live values move again\n"
           "  pedal PERCENT | press | release  move the accelerator pedal (takes over from\n"
           "                                   the automatic driver)\n"
           "  driver on|off                    the automatic driver\n"
           "  engine start|stop                turn the key\n"
           "  fault WORD FIELD STATE           set a state field of the fault block\n"
           "  faults clear                     empty the fault block\n"
           "  selftest CODE                    the self-test result (object 602)\n"
           "  firmware VERSION                 firmware version in the identification\n"
           "  echo on|off, pace on|off         the adapter's echo, pacing at line speed\n"
           "  pending N                        7F xx 78 answers before every answer\n"
           "  corrupt SHARE                    share (0 to 1) of frames with a bad checksum\n"
           "  startcomm on|off                 answer StartCommunication or not\n"
           "  silent | silent frames N | silent seconds S   stop answering\n"
           "  talk                             answer again\n"
           "  trace on|off                     print the frames on the line\n"
           "  status                           port, baud rate, counts, engine\n"
           "  quit                             stop the unit\n";
}

std::string UnitCommands::Run(std::string_view text) {
    std::istringstream in{std::string(text)};
    std::vector<std::string> w;
    for (std::string word; in >> word;) {
        w.push_back(word);
    }
    if (w.empty()) {
        return "";
    }
    const std::string& command = w[0];
    const std::size_t n = w.size();
    long long a = 0, b = 0, c = 0, d = 2;
    double real = 0;
    bool on = false;

    if (command == "help") {
        return Help();
    }
    if (command == "set") {
        if ((n != 4 && n != 5) || !Number(w[1], 0, 65535, a) || !Number(w[2], 0, 65535, b) ||
            !Number(w[3], -(1LL << 62), 1LL << 62, c) || (n == 5 && !Number(w[4], 1, 8, d))) {
            return "error: usage: set OBJECT OFFSET VALUE [BYTES]";
        }
        const bool done =
            unit.SetValue(static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(b),
                          static_cast<std::uint16_t>(d), c);
        return done ? "ok" : "error: no such object, offset and length";
    }
    if (command == "get") {
        if ((n != 3 && n != 4) || !Number(w[1], 0, 65535, a) || !Number(w[2], 0, 65535, b) ||
            (n == 4 && !Number(w[3], 1, 8, d))) {
            return "error: usage: get OBJECT OFFSET [BYTES]";
        }
        std::int64_t value = 0;
        const bool done = unit.WithModel([&](UnitModel& m) {
            return m.Peek(static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(b),
                          static_cast<std::uint16_t>(d), value);
        });
        return done ? std::to_string(value) : "error: no such object, offset and length";
    }
    if (command == "release") {
        if (n == 2 && w[1] == "all") {
            unit.WithModel([](UnitModel& m) { m.ReleaseAll(); });
            return "ok";
        }
        if (n != 3 || !Number(w[1], 0, 65535, a) || !Number(w[2], 0, 65535, b)) {
            return "error: usage: release OBJECT OFFSET | all";
        }
        unit.WithModel([&](UnitModel& m) {
            m.Release(static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(b));
        });
        return "ok";
    }
    if (command == "pedal") {
        if (n == 2 && w[1] == "press") {
            real = 100;
        } else if (n == 2 && w[1] == "release") {
            real = 0;
        } else if (n != 2 || !Real(w[1], 0, 100, real)) {
            return "error: usage: pedal PERCENT | press | release";
        }
        unit.PressPedal(real);
        return "ok";
    }
    if (command == "driver") {
        if (n != 2 || !OnOff(w[1], on)) return "error: usage: driver on|off";
        unit.WithModel([&](UnitModel& m) { m.PedalDriver().SetAutomatic(on); });
        return "ok";
    }
    if (command == "engine") {
        if (n != 2 || (w[1] != "start" && w[1] != "stop")) return "error: usage: engine start|stop";
        unit.WithModel(
            [&](UnitModel& m) { w[1] == "start" ? m.Engine().Start() : m.Engine().Stop(); });
        return "ok";
    }
    if (command == "fault") {
        if (n != 4 || !Number(w[1], 0, 28, a) || !Number(w[2], 0, 3, b) ||
            !Number(w[3], 0, 15, c)) {
            return "error: usage: fault WORD(0-28) FIELD(0-3) STATE(0-15)";
        }
        unit.WithModel([&](UnitModel& m) {
            m.SetFault(static_cast<int>(a), static_cast<int>(b), static_cast<int>(c));
        });
        return "ok";
    }
    if (command == "faults") {
        if (n != 2 || w[1] != "clear") return "error: usage: faults clear";
        unit.WithModel([](UnitModel& m) { m.ClearFaults(); });
        return "ok";
    }
    if (command == "selftest") {
        if (n != 2 || !Number(w[1], 0, 65535, a)) return "error: usage: selftest CODE";
        unit.WithModel([&](UnitModel& m) { m.Poke(kSelfTestObject, 0, 2, a); });
        return "ok";
    }
    if (command == "firmware") {
        if (n != 2 || !Number(w[1], 0, 999, a)) return "error: usage: firmware VERSION (0-999)";
        unit.WithModel([&](UnitModel& m) { m.SetFirmwareVersion(static_cast<std::uint16_t>(a)); });
        return "ok";
    }
    if (command == "echo" || command == "pace" || command == "startcomm" || command == "trace") {
        if (n != 2 || !OnOff(w[1], on)) return "error: usage: " + command + " on|off";
        if (command == "echo") unit.SetEcho(on);
        if (command == "pace") unit.SetPacing(on);
        if (command == "startcomm") unit.SetAnswerStartCommunication(on);
        if (command == "trace") unit.SetTrace(on);
        return "ok";
    }
    if (command == "pending") {
        if (n != 2 || !Number(w[1], 0, 1000, a)) return "error: usage: pending N";
        unit.SetPending(static_cast<int>(a));
        return "ok";
    }
    if (command == "corrupt") {
        if (n != 2 || !Real(w[1], 0, 1, real)) return "error: usage: corrupt SHARE (0 to 1)";
        unit.SetCorruptShare(real);
        return "ok";
    }
    if (command == "silent") {
        if (n == 1 || (n == 2 && w[1] == "now")) {
            unit.GoSilent();
        } else if (n == 3 && w[1] == "frames" && Number(w[2], 0, 1'000'000'000, a)) {
            unit.SetSilentAfterFrames(static_cast<long>(a));
        } else if (n == 3 && w[1] == "seconds" && Real(w[2], 0, 1e9, real)) {
            unit.SetSilentAfterSeconds(real);
        } else {
            return "error: usage: silent | silent frames N | silent seconds S";
        }
        return "ok";
    }
    if (command == "talk") {
        unit.Talk();
        return "ok";
    }
    if (command == "status") {
        const LineOptions line = unit.Line();
        std::ostringstream out;
        out << "port " << unit.PortName() << ", line " << unit.LineBaud() << " Bd, frames "
            << unit.FramesReceived() << " received, " << unit.FramesAnswered() << " answered, echo "
            << (line.echo ? "on" : "off") << ", pace " << (line.pace ? "on" : "off")
            << (unit.Silent() ? ", silent" : "");
        unit.WithModel([&](UnitModel& m) {
            out << ", engine " << PhaseName(m.Engine().CurrentPhase()) << ", firmware "
                << m.FirmwareVersion();
        });
        return out.str();
    }
    return "error: unknown command " + command + " (try help)";
}

}  // namespace varnok::unit
