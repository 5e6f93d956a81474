// The window's links to the views that live in their own modules: the
// Information view graph, the Settings view and the calibration dialog.
#include "shell/main_form.h"

namespace varnok {

void TForm1::ShowSettingsValue(std::uint16_t object, std::uint16_t offset) {
    static_cast<void>(object);
    static_cast<void>(offset);
}

void TForm1::ShowGaugeValue(std::uint16_t object, std::uint16_t offset) {
    static_cast<void>(object);
    static_cast<void>(offset);
}

void TForm1::AppendSample(int channel, double value) {
    static_cast<void>(channel);
    static_cast<void>(value);
}

void TForm1::ResetGraphTimes() {}

}  // namespace varnok
