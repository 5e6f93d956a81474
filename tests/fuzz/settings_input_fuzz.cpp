// Anything typed or pasted into the Settings view's text fields: the parsers
// never read past the text, a field writes only words within its range, and
// the key filter lets through nothing but digits, backspace and one point.
//
// Input: the first byte picks the firmware version's side of 276; the rest
// is the text, and also the characters typed one by one.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/field_input.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint16_t version = (data[0] & 1) != 0 ? 276 : 275;
    // A copy of exactly the text's bytes, so that reading past it is caught.
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string_view view(text);

    using varnok::TextField;
    for (TextField field :
         {TextField::Edit1, TextField::Edit2, TextField::ComboBox3, TextField::Edit3,
          TextField::Edit4, TextField::Edit5, TextField::Edit8}) {
        const varnok::FieldRule& rule = varnok::FieldRuleOf(field);
        const auto word = varnok::FieldValue(rule, view, version);
        if (view.empty()) Check(!word.has_value());
        if (word && rule.kind == varnok::FieldRule::Kind::ScaledReal) {
            // A written word is the rounded value itself, within the range.
            const auto value = varnok::RoundedProduct(varnok::LeadingReal(view), rule.factor);
            Check(value.has_value());
            Check(static_cast<std::uint16_t>(*value) == *word);
            if (rule.minimum) Check(*value >= *rule.minimum);
            if (rule.maximum) Check(*value <= *rule.maximum);
        }
    }
    (void)varnok::LeadingInteger16(view);
    (void)varnok::TachographText(varnok::LeadingInteger16(view), version);

    // Typing the text key by key: what the filter lets through is digits and
    // at most one point.
    std::u16string typed;
    for (unsigned char c : text) {
        const bool hasPoint = typed.find(u'.') != std::u16string::npos;
        if (const auto passed = varnok::FilterTypedCharacter(c, hasPoint)) {
            if (*passed == 8) {
                if (!typed.empty()) typed.pop_back();
            } else {
                typed.push_back(*passed);
            }
        }
    }
    int points = 0;
    for (char16_t c : typed) {
        Check((c >= u'0' && c <= u'9') || c == u'.');
        points += c == u'.' ? 1 : 0;
    }
    Check(points <= 1);
    return 0;
}
