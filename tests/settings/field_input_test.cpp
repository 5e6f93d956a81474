#include "settings/field_input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <tuple>

#include "settings/settings_view.h"

namespace varnok {
namespace {

using Field = SettingsView::TextField;

struct FieldCase {
    const char* what;
    Field field;
    std::string text;
    std::uint16_t version;
    std::optional<std::uint16_t> written;  // nothing: the field writes nothing
};

const char* Name(Field field) {
    static const char* const names[] = {"Edit1", "Edit2", "ComboBox3", "Edit3",
                                        "Edit4", "Edit5", "Edit8"};
    return names[static_cast<int>(field)];
}

TEST(FieldValue, EachFieldParsesScalesRoundsAndChecksItsRange) {
    constexpr std::optional<std::uint16_t> none;
    const FieldCase cases[] = {
        // Tachograph constant: the leading integer's low 16 bits, /8 below 276.
        {"units of 8 below 276", Field::Edit1, "8007", 275, 1000},
        {"remainder dropped", Field::Edit1, "7", 275, 0},
        {"pulses from 276", Field::Edit1, "1000", 276, 1000},
        {"65536 keeps its low bits", Field::Edit1, "65536", 276, 0},
        {"65537 keeps its low bits", Field::Edit1, "65537", 276, 1},
        {"low bits before /8", Field::Edit1, "65544", 275, 1},
        {"digits before the point", Field::Edit1, "12.9", 276, 12},
        {"blanks and sign", Field::Edit1, " \t+12x", 276, 12},
        {"minus wraps", Field::Edit1, "-1", 276, 65535},
        {"no digits", Field::Edit1, "abc", 276, 0},
        {"lone point", Field::Edit1, ".", 276, 0},
        {"empty", Field::Edit1, "", 276, none},
        // Speed limit, ×100, no range.
        {"km/h", Field::Edit2, "90", 276, 9000},
        {"half away from zero", Field::Edit2, "0.125", 276, 13},
        {"past 16 bits keeps the low bits", Field::Edit2, "700", 276, 4464},
        {"past an int writes nothing", Field::Edit2, "1e10", 276, none},
        {"too large for a double", Field::Edit2, "1e400", 276, none},
        {"lone point", Field::Edit2, ".", 276, 0},
        {"empty", Field::Edit2, "", 276, none},
        // Tachometer ratio, ×1000, no range.
        {"2.34", Field::ComboBox3, "2.34", 276, 2340},
        {"item 4.00", Field::ComboBox3, "4.00", 276, 4000},
        {"longest prefix", Field::ComboBox3, "3.65 abc", 276, 3650},
        {"lone point", Field::ComboBox3, ".", 276, 0},
        // Kd: at most 5000, no lower limit.
        {"upper end", Field::Edit3, "5000", 276, 5000},
        {"past the upper end", Field::Edit3, "5001", 276, none},
        {"rounds up to past the end", Field::Edit3, "5000.5", 276, none},
        {"no lower limit", Field::Edit3, "0", 276, 0},
        {"negative rounds away from zero", Field::Edit3, "-2.5", 276, 65533},
        {"lone point", Field::Edit3, ".", 276, 0},
        // Warm idle speed, 600 to 670.
        {"below", Field::Edit4, "599", 276, none},
        {"lower end", Field::Edit4, "600", 276, 600},
        {"upper end", Field::Edit4, "670", 276, 670},
        {"above", Field::Edit4, "671", 276, none},
        {"rounds into range", Field::Edit4, "599.5", 276, 600},
        {"lone point is 0, out of range", Field::Edit4, ".", 276, none},
        // Pedal correction, ×100, 1200 to 1800.
        {"12 %", Field::Edit5, "12", 276, 1200},
        {"18.004 rounds to the end", Field::Edit5, "18.004", 276, 1800},
        {"18.006 rounds past it", Field::Edit5, "18.006", 276, none},
        {"11.99", Field::Edit5, "11.99", 276, none},
        // Kp, 3500 to 5500.
        {"lower end", Field::Edit8, "3500", 276, 3500},
        {"above", Field::Edit8, "5501", 276, none},
        {"lone point is 0, out of range", Field::Edit8, ".", 276, none},
    };
    for (const FieldCase& c : cases) {
        EXPECT_EQ(FieldValue(SettingsView::RuleOf(c.field), c.text, c.version), c.written)
            << Name(c.field) << " \"" << c.text << "\" (" << c.what << ")";
    }
}

// A double holds 2.34 as 2.33999...: cutting its product with 1000 gave 2339.
TEST(TruncatedProduct, CutsTheDecimalNumberNotItsBinaryNeighbourBelow) {
    const std::tuple<double, int, std::optional<std::int32_t>> cases[] = {
        {2.34, 1000, 2340},  {3.659, 1000, 3659}, {0.29, 100, 29},
        {85.559, 100, 8555}, {12.999, 1, 12},     {-12.99, 100, -1299},
        {-0.5, 1, 0},        {0, 100, 0},         {1e30, 1, std::nullopt},
    };
    for (const auto& [number, factor, whole] : cases) {
        EXPECT_EQ(TruncatedProduct(number, factor), whole) << number << " x " << factor;
    }
}

TEST(LeadingReal, TakesTheLongestNumberAtTheStart) {
    const std::pair<const char*, double> cases[] = {
        {"", 0},     {".", 0},      {"-", 0},        {"+.", 0},      {"abc", 0},    {"1.", 1},
        {".5", 0.5}, {"-.5", -0.5}, {"  2.5x", 2.5}, {"1.2.3", 1.2}, {"1e3", 1000}, {"1e", 1},
        {"1e+", 1},  {"2E-1", 0.2}, {"1,5", 1},      {"1e-400", 0},  {"12 34", 12},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(LeadingReal(text), value) << '"' << text << '"';
    }
    EXPECT_TRUE(std::isinf(LeadingReal("1e400")));
}

TEST(TachographText, ShowsTimesEightKeptTo16BitsBelow276) {
    EXPECT_EQ(TachographText(1000, 275), "8000");
    EXPECT_EQ(TachographText(1000, 276), "1000");
    EXPECT_EQ(TachographText(8191, 275), "65528");
    EXPECT_EQ(TachographText(8192, 275), "0");
    EXPECT_EQ(TachographText(8193, 275), "8");
    EXPECT_EQ(TachographText(65535, 300), "65535");
}

TEST(FilterTypedCharacter, DigitsBackspaceAndOnePoint) {
    struct Case {
        char16_t typed;
        bool hasPoint;
        std::optional<char16_t> result;
    };
    const Case cases[] = {
        {u'0', false, u'0'},         {u'9', true, u'9'},          {8, true, char16_t{8}},
        {u'.', false, u'.'},         {u',', false, u'.'},         {u'.', true, std::nullopt},
        {u',', true, std::nullopt},  {u'-', false, std::nullopt}, {u'+', false, std::nullopt},
        {u'a', false, std::nullopt}, {u' ', false, std::nullopt}, {13, false, std::nullopt},
        {27, false, std::nullopt},   {22, false, std::nullopt},   {u'٣', false, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FilterTypedCharacter(c.typed, c.hasPoint), c.result)
            << "character " << static_cast<int>(c.typed) << (c.hasPoint ? " after a point" : "");
    }
}

}  // namespace
}  // namespace varnok
