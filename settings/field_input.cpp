#include "settings/field_input.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "livedata/session_text.h"
#include "livedata/value_text.h"

namespace varnok {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t SkipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return i;
}

std::size_t SkipDigits(std::string_view text, std::size_t i) {
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i;
}

// A whole number as an int, if it is a finite number within an int's range.
std::optional<std::int32_t> WholeInt32(long double whole) {
    if (!std::isfinite(whole) || whole < std::numeric_limits<std::int32_t>::min() ||
        whole > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(whole);
}

}  // namespace

std::uint16_t LeadingInteger16(std::string_view text) {
    std::size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Unsigned arithmetic wraps, so however long the digit run is, the
    // result is the number's low 16 bits.
    std::uint16_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = static_cast<std::uint16_t>(value * 10U + static_cast<unsigned>(text[i] - '0'));
    }
    return negative ? static_cast<std::uint16_t>(0U - value) : value;
}

double LeadingReal(std::string_view text) {
    std::size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t start = i;
    i = SkipDigits(text, i);
    bool anyDigit = i > start;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fraction = i + 1;
        i = SkipDigits(text, fraction);
        anyDigit = anyDigit || i > fraction;
    }
    if (!anyDigit) {
        return 0;
    }
    std::size_t end = i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t e = i + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) {
            negativeExponent = text[e] == '-';
            ++e;
        }
        const std::size_t exponentEnd = SkipDigits(text, e);
        if (exponentEnd > e) {
            end = exponentEnd;
        } else {
            negativeExponent = false;
        }
    }
    double value = 0;
    const auto [ptr, error] =
        std::from_chars(text.data() + start, text.data() + end, value, std::chars_format::general);
    static_cast<void>(ptr);
    if (error == std::errc::result_out_of_range) {
        // Too small for a double reads as 0, too large as infinity.
        value = negativeExponent ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

std::optional<std::int32_t> RoundedProduct(double number, int factor) {
    const long double product = static_cast<long double>(number) * factor;
    return WholeInt32(std::trunc(product >= 0 ? product + 0.5L : product - 0.5L));
}

std::optional<std::int32_t> TruncatedProduct(double number, int factor) {
    const long double product = static_cast<long double>(number) * factor;
    // A decimal text read into a double is off by at most half a unit of its
    // last place; moved away from zero by a few such units, a product that
    // is a whole number in decimal is not cut to the number below it.
    const long double decimal = product + product * (4 * std::numeric_limits<double>::epsilon());
    return WholeInt32(std::trunc(decimal));
}

std::optional<std::uint16_t> FieldValue(const FieldRule& rule, std::string_view text,
                                        std::uint16_t firmwareVersion) {
    if (text.empty()) {
        return std::nullopt;
    }
    if (rule.kind == FieldRule::Kind::TachographConstant) {
        const std::uint16_t pulses = LeadingInteger16(text);
        return firmwareVersion < kTachographUnitsVersion ? static_cast<std::uint16_t>(pulses / 8)
                                                         : pulses;
    }
    // A number past the range of an int has no sensible 16-bit word: the
    // field writes nothing and the read-back shows the unit's value again.
    const std::optional<std::int32_t> value = RoundedProduct(LeadingReal(text), rule.factor);
    if (!value || (rule.minimum && *value < *rule.minimum) ||
        (rule.maximum && *value > *rule.maximum)) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(*value) & 0xFFFFU);
}

std::string TachographText(std::uint16_t unitValue, std::uint16_t firmwareVersion) {
    const std::uint16_t shown = firmwareVersion < kTachographUnitsVersion
                                    ? static_cast<std::uint16_t>(unitValue * 8U)
                                    : unitValue;
    return IntegerText(shown);
}

std::optional<char16_t> FilterTypedCharacter(char16_t typed, bool textHasPoint) {
    if ((typed >= u'0' && typed <= u'9') || typed == 8) {
        return typed;
    }
    if ((typed == u'.' || typed == u',') && !textHasPoint) {
        return u'.';
    }
    return std::nullopt;
}

const FieldRule& FieldRuleOf(TextField field) {
    using Kind = FieldRule::Kind;
    static const std::array<FieldRule, 7> rules{{
        {Kind::TachographConstant, 1, std::nullopt, std::nullopt},  // Edit1
        {Kind::ScaledReal, 100, std::nullopt, std::nullopt},        // Edit2, km/h
        {Kind::ScaledReal, 1000, std::nullopt, std::nullopt},       // ComboBox3
        {Kind::ScaledReal, 1, std::nullopt, 5000},                  // Edit3, Kd: no lower limit
        {Kind::ScaledReal, 1, 600, 670},                            // Edit4, rpm
        {Kind::ScaledReal, 100, 1200, 1800},                        // Edit5, 12 % to 18 %
        {Kind::ScaledReal, 1, 3500, 5500},                          // Edit8, Kp
    }};
    return rules[static_cast<std::size_t>(field)];
}

}  // namespace varnok
