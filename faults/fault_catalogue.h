// The fault catalogue: which fault stands behind each 4-bit state field of
// the unit's fault status block, and the texts the Errors view shows for it.
//
// The unit reports its faults only as state fields in data object 600 (the
// fault status block); numbers and descriptions live here. The catalogue also
// fixes the order of the rows in the fault list. Fault P1902 (the unit's
// start-up self-test) is the one entry whose text takes a suffix, chosen by
// the self-test result code in data object 602.
//
// Plain C++ with no Qt, so the simulated control unit can use it too. All
// texts are UTF-8. Everything here is constant data or a pure function and
// may be called from any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace varnok {

// The fault status block (data object 600): 29 little-endian 16-bit words,
// each holding up to four 4-bit state fields (field k in bits 4k to 4k + 3).
inline constexpr std::size_t kFaultBlockWords = 29;
inline constexpr std::size_t kFaultBlockSize = 2 * kFaultBlockWords;  // 58 bytes
inline constexpr std::size_t kFaultFieldsPerWord = 4;

// The fault whose row text carries the self-test suffix (data object 602).
inline constexpr std::uint16_t kSelfTestFaultNumber = 1902;

using FaultStatusBlock = std::array<std::uint8_t, kFaultBlockSize>;

// State flags of one field. Bit 3 is a flag with no text.
enum FaultFlag : std::uint8_t {
    kFaultError = 0x1,      // "Ошибка "
    kFaultCurrent = 0x2,    // "Текущая "
    kFaultRepeating = 0x4,  // "Повторяющаяся "
};

struct FaultEntry {
    std::uint8_t word;      // 0 to 28
    std::uint8_t field;     // 0 to 3
    std::uint16_t number;   // 725 for P0725
    std::string_view text;  // "P", the number in four digits, a space, the description
};

// The 82 faults in list order: by word, then by field.
std::span<const FaultEntry> FaultCatalogue();

// The 4-bit state of one entry's field: 0 (absent) to 15. An entry naming a
// field outside the block gives 0.
std::uint8_t FaultState(std::span<const std::uint8_t, kFaultBlockSize> block,
                        const FaultEntry& entry);

// The flag texts of a state, always in the order "Ошибка ", "Текущая ",
// "Повторяющаяся ", each with its trailing space; bit 3 adds nothing, so a
// state of 8 gives an empty text.
std::string FaultStateText(std::uint8_t state);

// The self-test suffix of a result code, e.g. "(0 - Нет ошибок)"; empty for
// a code the unit does not define.
std::string_view SelfTestSuffix(std::uint16_t code);

// The text shown for a present fault: the entry's text, and for fault 1902
// one space and the suffix of `selfTestCode` when that code has one.
std::string FaultRowText(const FaultEntry& entry, std::uint16_t selfTestCode);

}  // namespace varnok
