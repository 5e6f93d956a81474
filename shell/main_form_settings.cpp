// The main window's part of the Settings view and the pedal calibration:
// building the view on GroupBox3's controls, the "Калибровка..." buttons, and
// the cases of the answer dispatch that belong to them.
#include "link/clock.h"
#include "shell/main_form.h"

namespace varnok {

namespace {

// The save's 100 ms pauses hold the main thread, as its waiting requests do.
Clock& SavePauses() {
    static SteadyClock clock;
    return clock;
}

}  // namespace

void TForm1::SetUpSettingsView() {
    settingsView = std::make_unique<SettingsView>(FindSettingsControls(*GroupBox3), *sock,
                                                  firmwareVersion, SavePauses(), this);
    connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(Button7, &QPushButton::clicked, this, &TForm1::Button7Click);
}

void TForm1::SetCalibrationDialog(TForm2* dialog) {
    calibrationDialog = dialog;
}

void TForm1::Button5Click() {
    if (calibrationDialog != nullptr) {
        calibrationDialog->Calibrate(0);
    }
}

void TForm1::Button7Click() {
    if (calibrationDialog != nullptr) {
        calibrationDialog->Calibrate(1);
    }
}

void TForm1::ShowSettingsValue(std::uint16_t object, std::uint16_t offset) {
    settingsView->ShowValue(object, offset);
}

void TForm1::ShowGaugeValue(std::uint16_t object, std::uint16_t offset) {
    // The gauge follows the reading whether the dialog is shown or not.
    if (calibrationDialog != nullptr) {
        calibrationDialog->GaugeValue(object, offset);
    }
}

void TForm1::EndCalibration() {
    if (calibrationDialog != nullptr) {
        calibrationDialog->SessionEnded();
    }
}

}  // namespace varnok
