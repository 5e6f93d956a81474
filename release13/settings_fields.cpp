#include "release13/settings_fields.h"

#include "livedata/session_text.h"
#include "settings/field_input.h"

namespace varnok::release13 {

std::optional<std::uint16_t> SavedWord(const SettingsField& field, std::string_view text,
                                       std::uint16_t firmwareVersion) {
    if (field.saved == SettingsField::Saved::Integer) {
        const std::uint16_t pulses = LeadingInteger16(text);
        return firmwareVersion < kTachographUnitsVersion ? static_cast<std::uint16_t>(pulses >> 3)
                                                         : pulses;
    }
    const std::optional<std::int32_t> value = TruncatedProduct(LeadingReal(text), field.factor);
    if (!value) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(*value) & 0xFFFFU);
}

bool WaitForEngineStop(const std::function<bool()>& engineStopped, Clock& clock) {
    for (int waits = 0; waits <= kEngineStopWaits; ++waits) {
        if (engineStopped()) {
            return waits < kEngineStopWaits;
        }
        clock.Sleep(kEngineStopStepMs);
    }
    return false;
}

}  // namespace varnok::release13
