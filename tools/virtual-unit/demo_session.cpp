// varnok-unit-demo: a scripted session against varnok-unit, through the
// program's own link object (Link, PosixSerialChannel, CSock), for
// scripts/demo.sh while the main window is still being built. It connects,
// shows the identification and a few seconds of live values, changes a
// setting, reads and clears the faults, stores the settings after stopping
// the engine, and disconnects.
//
// Usage: varnok-unit-demo PORT   (the name varnok-unit printed, e.g. pts/3)
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "link/csock.h"
#include "link/device_path.h"
#include "link/posix_serial_channel.h"

namespace {

using varnok::CSock;

struct ProgramLink {
    varnok::Link link;
    varnok::PosixSerialChannel channel{link};
    varnok::SteadyClock clock;
    CSock sock{link, channel, clock};
};

int Word(CSock& sock, std::uint16_t object, std::uint16_t offset, bool isSigned = true) {
    std::array<std::uint8_t, 2> value{};
    if (sock.ReadObject(object, offset, value.data(), 2, 1) == 0) {
        return -99999;
    }
    const auto raw = static_cast<std::uint16_t>(value[0] | (value[1] << 8));
    return isSigned ? static_cast<std::int16_t>(raw) : raw;
}

bool WriteWord(CSock& sock, std::uint16_t object, std::uint16_t offset, std::uint16_t value) {
    return sock.WriteObject(object, offset, &value, 2, 1) != 0;
}

void LiveValues(CSock& sock) {
    std::printf(
        "\n   n1, об/мин  Vа, км/ч  рейка h, %%  педаль, %%  Pк, кг/см2  Тож, oC  Uпит, В\n");
    for (int row = 0; row < 8; ++row) {
        std::printf("   %10d  %8.2f  %10.2f  %9.2f  %10.3f  %7.2f  %7.2f\n", Word(sock, 100, 0),
                    Word(sock, 103, 12) * 0.01, Word(sock, 202, 0) * 0.01,
                    Word(sock, 204, 0) * 0.01, Word(sock, 111, 0) * 0.001,
                    Word(sock, 115, 0) * 0.01, Word(sock, 117, 0) * 0.01);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    }
}

void Setting(CSock& sock) {
    std::printf("\nМинимальные обороты холостого хода (600...670): в блоке %d\n",
                Word(sock, 1009, 2));
    for (std::uint16_t wanted : {640, 700}) {
        const bool taken = WriteWord(sock, 1009, 2, wanted);
        std::printf("   запись %d: %s; в блоке теперь %d\n", wanted,
                    taken ? "принята" : "отклонена блоком", Word(sock, 1009, 2));
    }
}

void Faults(CSock& sock) {
    // ReadDiagnosticTroubleCodesByStatus: count, then number (BCD) and state.
    std::array<std::uint8_t, 256> codes{};
    if (sock.Request(varnok::kReadDtcByStatus, 0, 1, codes.data()) == 0) {
        std::printf("\nОшибки: блок не ответил\n");
        return;
    }
    std::printf("\nОшибки в блоке: %d\n", codes[0]);
    for (int i = 0; i < codes[0] && 3 * i + 3 < 256; ++i) {
        const std::uint8_t* at = &codes[static_cast<std::size_t>(1 + 3 * i)];
        std::printf("   P%02X%02X  состояние %d\n", at[0], at[1], at[2]);
    }
    sock.ClearFaults();
    std::array<std::uint8_t, 58> block{};
    block.fill(0xFF);
    const bool read = sock.ReadObject(600, 0, block.data(), 58, 1) != 0;
    const bool empty = read && block == std::array<std::uint8_t, 58>{};
    std::printf("   после сброса блок состояния ошибок %s\n", empty ? "пуст" : "не пуст");
}

void Store(CSock& sock) {
    std::printf("\nСохранение в блоке: остановка двигателя...\n");
    WriteWord(sock, 10006, 0, 1);
    for (int pause = 0; pause < 40 && Word(sock, 200, 0) != 0; ++pause) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    WriteWord(sock, 10006, 0, 0);
    std::printf("   %s\n", sock.StoreSettings() != 0 ? "Настройки успешно сохранены!"
                                                     : "настройки не сохранены");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: varnok-unit-demo PORT (for example pts/3)\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    ProgramLink program;
    CSock& sock = program.sock;
    const std::string path = varnok::DevicePathForPort(argv[1]);
    std::printf("Подключение к %s ...\n", path.c_str());
    if (sock.OpenSession(path, 57600) == 0) {
        sock.DropSession();
        std::printf("Отключен: ошибка подключения\n");
        return 1;
    }
    std::array<char, 256> ident{};
    const bool identified = sock.Request(varnok::kReadEcuIdentification, 0, 1, ident.data()) != 0;
    // The text after the option byte 80; the firmware version at its characters 21 to 23.
    const std::string text = identified ? std::string(ident.data() + 1) : "Неизвестное устройство!";
    const std::string version = identified ? std::string(ident.data() + 20, 3) : "0";
    std::printf("Подключен: %s (версия ПО %s)\n", text.c_str(), version.c_str());

    const std::uint16_t marker = 1;
    sock.WriteObject(103, 8, &marker, 2, 1);
    LiveValues(sock);
    Setting(sock);
    Faults(sock);
    Store(sock);
    sock.CloseSession();
    std::printf("\nОтключен\n");
    return 0;
}
