// The options record: 16 bytes kept between runs, of which only the port
// name is used again.
//
//   bytes 0-7    the port name in the Windows-1251 code page, followed by a
//                zero byte; bytes after the zero byte keep what the record
//                held before
//   bytes 8-11   the main window's left edge when it was closed, signed
//                32-bit little-endian (written, never read back)
//   bytes 12-15  its top edge, likewise
//
// The record lives in QSettings, organisation "KMOR", application "Varnok",
// key "Options/Options", as a byte array (on Windows: HKEY_CURRENT_USER
// "SOFTWARE\KMOR\Varnok\Options", value "Options").
//
// Port names that do not fit: a name has room for 7 bytes. A name of
// "/dev/" and a short name that means the same device ("/dev/ttyUSB0" is
// "ttyUSB0") is stored short. Any other name longer than 7 bytes, or one
// with characters that Windows-1251 cannot hold, is not stored at all:
// bytes 0-7 keep the name the record held, so the next run shows the port
// stored before rather than a cut-off name that may open another device.
// Nothing is ever written past byte 7.
//
// Main thread only.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace varnok {

using OptionsRecord = std::array<std::uint8_t, 16>;

inline constexpr std::size_t kPortNameBytes = 8;  // bytes 0-7, zero byte included
inline constexpr char kDefaultPortName[] = "COM1";

// Takes a stored value into the record. A value of at most 16 bytes fills
// the record from its start and leaves the bytes it does not cover; a larger
// value is not read (false, the record unchanged).
bool LoadStoredValue(OptionsRecord& record, std::span<const std::uint8_t> stored);

// The port name bytes: bytes 0 up to the first zero byte. A record without a
// zero byte in bytes 0-7 gives all eight; nothing past byte 7 is read.
std::string StoredPortName(const OptionsRecord& record);

// Copies a port name (Windows-1251 bytes) into bytes 0-7 with its zero byte,
// by the rules above. False when the name was not stored.
bool StorePortName(OptionsRecord& record, std::string_view name);

void StoreWindowPosition(OptionsRecord& record, std::int32_t left, std::int32_t top);

// The port name as text, and text to port name bytes (false when the text
// has characters outside Windows-1251).
QString PortNameText(const OptionsRecord& record);
bool StorePortNameText(OptionsRecord& record, const QString& name);

// Reads the stored record into `record`: false when there is none, it is not
// a byte array, or it is larger than 16 bytes.
bool ReadOptionsRecord(OptionsRecord& record);
// Writes all 16 bytes; false when the settings could not be written.
bool WriteOptionsRecord(const OptionsRecord& record);

}  // namespace varnok
