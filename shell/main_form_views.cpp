// The window's links to the views that live in their own modules: the
// Information view graph (the Settings view and the calibration dialog are
// in main_form_settings.cpp).
#include "shell/main_form.h"

namespace varnok {

void TForm1::AppendSample(int channel, double value) {
    informationGraph.AppendSample(channel, value);
}

void TForm1::ResetGraphTimes() {
    informationGraph.ResetChannelTimes();
}

}  // namespace varnok
