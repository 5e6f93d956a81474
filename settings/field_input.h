// What the Settings view's text fields make of their text, and which typed
// characters they let through. Plain functions of plain values: no controls,
// no link.
//
// Reals are read with "." as the decimal point whatever the user's locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnok {

// The integer a text begins with, the way atol reads it: leading white
// space skipped, one "+" or "-", then decimal digits up to the first other
// character; no digits give 0. Only the low 16 bits are kept (the number is
// taken modulo 65536, so "65537" gives 1 and "-1" gives 65535).
std::uint16_t LeadingInteger16(std::string_view text);

// The real number a text begins with: leading white space skipped, then the
// longest prefix that reads as a number with "." as the decimal point (an
// optional sign, digits with at most one ".", an optional exponent). A text
// without such a prefix ("", ".", "-", "abc") gives 0.
double LeadingReal(std::string_view text);

// number × factor rounded half away from zero (0.5 added to a product that
// is zero or positive, subtracted from a negative one, the fraction
// dropped). The product is formed in extended precision. Nothing when the
// result is not a finite number within the range of a 32-bit int.
std::optional<std::int32_t> RoundedProduct(double number, int factor);
// number × factor cut toward zero, the product formed in extended precision;
// nothing as for RoundedProduct. The cut is that of the decimal number the
// double stands for: 2.34 is held as 2.33999..., and 2.34 × 1000 gives 2340,
// not 2339.
std::optional<std::int32_t> TruncatedProduct(double number, int factor);

// How a text field turns its text into the 16-bit word it writes.
struct FieldRule {
    enum class Kind {
        // The tachograph constant: the leading integer's low 16 bits, held
        // by units below firmware 276 in units of 8 pulses per km.
        TachographConstant,
        // A real number times `factor`, rounded.
        ScaledReal,
    };
    Kind kind = Kind::ScaledReal;
    int factor = 1;
    // The rounded value must lie within these (both ends included).
    std::optional<std::int32_t> minimum;
    std::optional<std::int32_t> maximum;
};

// The Settings view's text fields that write, in the order of their rules.
enum class TextField { Edit1, Edit2, ComboBox3, Edit3, Edit4, Edit5, Edit8 };
// Each field's rule: Edit1 the tachograph constant; Edit2 the speed limit
// (×100), ComboBox3 the tachometer ratio (×1000), Edit3 Kd (at most 5000, no
// lower limit), Edit4 the warm idle speed (600 to 670), Edit5 the pedal
// correction (×100, 1200 to 1800), Edit8 Kp (3500 to 5500).
const FieldRule& FieldRuleOf(TextField field);

// The word a field writes for `text`, or nothing when the field writes
// nothing: the text is empty or the value is outside the rule's range.
std::optional<std::uint16_t> FieldValue(const FieldRule& rule, std::string_view text,
                                        std::uint16_t firmwareVersion);

// The tachograph constant as Edit1 shows it: the unit's value, times 8 and
// kept to 16 bits when the firmware holds it in units of 8 pulses.
std::string TachographText(std::uint16_t unitValue, std::uint16_t firmwareVersion);

// The key filter of the text fields, for one typed character: digits and
// backspace (8) pass unchanged; "." or "," becomes "." while the text holds
// no "." yet; everything else is dropped. Nothing means dropped.
std::optional<char16_t> FilterTypedCharacter(char16_t typed, bool textHasPoint);

}  // namespace varnok
