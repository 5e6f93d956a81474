// AppMessage's dispatch: each answered read goes to the part of the window
// that shows it, by object and offset.
#include "livedata/dispatch_table.h"
#include "livedata/live_lists.h"
#include "shell/main_form.h"

namespace varnok {

void TForm1::Dispatch(std::uint16_t object, std::uint16_t offset) {
    const DispatchRow* row = FindDispatchRow(object, offset);
    if (row == nullptr) {
        return;
    }
    switch (row->target) {
        case DispatchTarget::Nothing:
            return;
        case DispatchTarget::SensorRow:
            ShowRowValue(ListView5, row->row, ValueText(*row->source));
            break;
        case DispatchTarget::EngineRow:
            ShowRowValue(ListView2, row->row, ValueText(*row->source));
            break;
        case DispatchTarget::Switches:
            ShowBitRows(ListView3, kSwitchRows, LoadUnsigned16(*row->source));
            break;
        case DispatchTarget::Outputs:
            ShowBitRows(ListView4, kOutputRows, LoadUnsigned16(*row->source));
            break;
        case DispatchTarget::GraphOnly:
            break;
        case DispatchTarget::Settings:
            ShowSettingsValue(object, offset);
            return;
        case DispatchTarget::Gauge:
            ShowGaugeValue(object, offset);
            return;
    }
    if (row->graphChannel >= 0) {
        AppendSample(row->graphChannel, GraphValue(*row->source));
        if (SpeedButton1->isChecked()) {
            RedrawGraph(false);
        }
    }
}

}  // namespace varnok
