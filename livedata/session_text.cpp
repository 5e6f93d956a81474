#include "livedata/session_text.h"

#include <cctype>

namespace varnok {

namespace {

// Windows-1251 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order. 0x98 is
// unassigned and shown as U+FFFD.
constexpr char16_t kHighHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char16_t FromCp1251(unsigned char c) {
    if (c < 0x80) return c;
    if (c >= 0xC0) return static_cast<char16_t>(0x0410 + (c - 0xC0));
    return kHighHalf[c - 0x80];
}

void AppendUtf8(std::string& out, char16_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\0') break;
        AppendUtf8(out, FromCp1251(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string Utf8ToCp1251(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        char32_t c = lead;
        std::size_t length = 1;
        if (lead >= 0xF0) {
            length = 4;
        } else if (lead >= 0xE0) {
            length = 3;
            c = lead & 0x0F;
        } else if (lead >= 0xC0) {
            length = 2;
            c = lead & 0x1F;
        }
        if (length > 1) {
            for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
                c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
            }
        }
        i += length;
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        char mapped = '?';
        for (int b = 0x80; b <= 0xFF; ++b) {
            if (FromCp1251(static_cast<unsigned char>(b)) == c && c != 0xFFFD) {
                mapped = static_cast<char>(b);
                break;
            }
        }
        out += mapped;
    }
    return out;
}

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
