// The 1.3 window's Settings view: everything is read when the view is
// entered and written at once by "Сохранить в блоке"; a calibration
// accepted in the dialog is written by the save too.
#include <QPalette>

#include "livedata/live_lists.h"
#include "release13/main_form.h"
#include "settings/field_input.h"
#include "settings/settings_save.h"

namespace varnok::release13 {

namespace {

using namespace objects;

QString TextOf(const QWidget* control) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return edit->text();
    }
    if (const auto* list = qobject_cast<const QComboBox*>(control)) {
        return list->currentText();
    }
    return QString();
}

}  // namespace

void TForm1::SpeedButton3Click() {
    // The accepted calibrations stay marked until the values are read again.
    ShowSettingsView();
    if (sock.sessionOpen.load() != 0) {
        ReadSettings();
    }
}

void TForm1::ReadSettings() {
    StopPolling();
    SetUnitControls(false);
    fieldRead.fill(true);
    // A value that cannot be read leaves only its own control disabled; the
    // control shows the value kept from an earlier read, or 0.
    for (const SettingsField& field : kSettingsFields) {
        const DataObject& object = *field.object;
        if (sock.ReadObject(object.object, object.offset, ValueBuffer(object), object.length) ==
            0) {
            fieldRead[IndexOf(field.control)] = false;
        }
    }
    calibrationAccepted = {false, false};
    ShowCalibrationState(0);
    ShowCalibrationState(1);
    ShowSettingsValues();
    if (LoadUnsigned16(kPedal1Enabled) == 0) {
        fieldRead[IndexOf(SettingsControl::Button5)] = false;
    }
    if (LoadUnsigned16(kPedal2Enabled) == 0) {
        fieldRead[IndexOf(SettingsControl::Button7)] = false;
    }
    SetUnitControls(true);
    StartPolling();
}

void TForm1::ShowSettingsValues() {
    for (const SettingsField& field : kSettingsFields) {
        const std::uint16_t value = LoadUnsigned16(*field.object);
        QWidget* control = Control(field.control);
        if (auto* box = qobject_cast<QCheckBox*>(control)) {
            box->setChecked(value != 0);
        } else if (field.control == SettingsControl::ComboBox2) {
            ComboBox2->setCurrentIndex(value != 0 ? 0 : 1);
        } else if (field.control == SettingsControl::ComboBox3) {
            ComboBox3->setEditText(ValueText(*field.object, value));
        } else if (field.control == SettingsControl::Edit1) {
            // The unit's value stays as read; older units count in 8 pulses.
            Edit1->setText(QString::fromStdString(TachographText(value, firmwareVersion)));
        } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            edit->setText(ValueText(*field.object, value));
        }
        // The calibration buttons show their channel's value by their flag.
    }
}

void TForm1::CheckBox5Click() {
    const bool on = CheckBox5->isChecked();
    Button7->setEnabled(on);
    StoreUnsigned16(kPedal2Enabled, on ? 1 : 0);
    fieldRead[IndexOf(SettingsControl::Button7)] = on;
    StopPolling();
    WriteWord(kPedal2Enabled, on ? 1 : 0);
    StartPolling();
}

int TForm1::WriteWord(const DataObject& object, std::uint16_t value) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value & 0xFF),
                                   static_cast<std::uint8_t>(value >> 8)};
    return sock.WriteObject(object.object, object.offset, bytes, 2);
}

void TForm1::Button4Click() {
    if (sock.sessionOpen.load() == 0) {
        return;
    }
    SetUnitControls(false);
    if (LoadUnsigned16(kEngineRunning) != 0) {
        const QMessageBox::StandardButton answer = AskToStopEngine(this);
        if (answer == QMessageBox::Cancel) {
            SetUnitControls(true);
            return;
        }
        // A box that could not be shown answers neither: the save goes on.
        if (answer == QMessageBox::Ok) {
            StopPolling();
            WriteWord(kEngineStopRequest, 1);
            StartPolling();
            // The polling thread keeps the engine running word fresh meanwhile.
            const bool stopped =
                WaitForEngineStop([] { return LoadUnsigned16(kEngineRunning) == 0; }, clock);
            if (!stopped) {
                StopPolling();
                WriteWord(kEngineStopRequest, 0);
                StartPolling();
                SetUnitControls(true);
                ShowStopTimeout(this);
                return;
            }
        }
    }
    StopPolling();
    // The polling thread found the unit gone while the save waited: the
    // disconnect is on its way, and every write would only wait in vain.
    if (connection.Polling().pollThreadEnded.load()) {
        return;
    }
    WriteSettings();
    StartPolling();
    SetUnitControls(true);
}

void TForm1::WriteSettings() {
    for (const SettingsField& field : kSettingsFields) {
        const QWidget* control = Control(field.control);
        std::uint16_t value = 0;
        switch (field.saved) {
            case SettingsField::Saved::No:
                continue;
            case SettingsField::Saved::Switch:
                if (const auto* box = qobject_cast<const QCheckBox*>(control)) {
                    value = box->isChecked() ? 1 : 0;
                } else {
                    value = ComboBox2->currentIndex() == 0 ? 1 : 0;
                }
                break;
            case SettingsField::Saved::Integer:
            case SettingsField::Saved::Real:
                value = SavedWord(field, TextOf(control).toStdString(), firmwareVersion)
                            .value_or(LoadUnsigned16(*field.object));
                break;
        }
        WriteWord(*field.object, value);
    }
    // The calibrations accepted since the view was entered; pedal channel 2
    // only while the unit has it in use.
    const varnok::TForm2* dialog = CalibrationDialog();
    for (std::uint16_t channel : {std::uint16_t{0}, std::uint16_t{1}}) {
        const bool inUse = channel == 0 || LoadUnsigned16(kPedal2Enabled) == 1;
        if (dialog == nullptr || !calibrationAccepted[channel] || !inUse) {
            continue;
        }
        for (const CalibrationWrite& write :
             CalibrationWrites(channel, dialog->readings[channel])) {
            sock.WriteObject(write.object->object, write.object->offset, write.bytes.data(),
                             write.object->length);
        }
    }
    WriteWord(kEngineStopRequest, 0);
    sock.StoreSettings();
}

void TForm1::Button5Click() {
    Calibrate(0);
}

void TForm1::Button7Click() {
    Calibrate(1);
}

void TForm1::Calibrate(std::uint16_t channel) {
    varnok::TForm2* dialog = CalibrationDialog();
    if (dialog == nullptr) {
        return;
    }
    if (sock.sessionOpen.load() != 0) {
        StopPolling();
        SetUnitControls(false);
    }
    // Nothing is written here: the save writes an accepted calibration.
    dialog->channelIndex = channel;
    dialog->exec();
    if (sock.sessionOpen.load() != 0) {
        SetUnitControls(true);
        StartPolling();
    }
    ShowCalibrationState(channel);
}

void TForm1::ShowCalibrationState(std::uint16_t channel) {
    QLabel* label = channel == 0 ? Label8 : Label15;
    const bool done = calibrationAccepted[channel];
    label->setText(done ? kCalibrationDone : kCalibrationNotDone);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, done ? Qt::darkGreen : Qt::red);
    label->setPalette(colours);
}

}  // namespace varnok::release13
