// The connect/disconnect toggle, the connection watchdog and the 200 ms
// polling tick of the main window.
#include <QString>
#include <array>

#include "link/device_path.h"
#include "livedata/data_objects.h"
#include "livedata/poll_schedule.h"
#include "livedata/session_text.h"
#include "shell/main_form.h"

namespace varnok {

namespace {

constexpr int kWatchdogTicks = 5;  // once a second at 200 ms a tick

}  // namespace

void TForm1::Button1Click() {
    if (isConnected == 0) {
        Connect();
    } else {
        Disconnect();
    }
}

void TForm1::Connect() {
    const std::string path = DevicePathForPort(ComboBox1->currentText().toStdString());
    if (sock->OpenSession(path, kSessionBaud) == 0) {
        SetStatusText(QStringLiteral("Отключен: ошибка подключения"));
        sock->DropSession();
        return;
    }

    // The identification answer lands here with a zero after it; the unit's
    // text is Windows-1251, its character positions are byte positions.
    std::array<char, 256> identText{};
    const bool identified = sock->Request(kReadEcuIdentification, 0, 1, identText.data(), 0, 0,
                                          static_cast<std::int32_t>(identText.size())) != 0;
    const std::string unitText =
        identified ? std::string(identText.data()) : Utf8ToCp1251(kUnknownDevice);
    firmwareVersion = FirmwareVersion(unitText);
    // The status text is built as a whole, however long the unit's text is.
    SetStatusText(
        QStringLiteral("Подключен: %1").arg(QString::fromStdString(Cp1251ToUtf8(unitText))));

    const std::uint16_t one = 1;
    sock->WriteObject(objects::kConnectMarker.object, objects::kConnectMarker.offset, &one, 2, 1);
    sock->ReadObject(objects::kEngineRunning.object, objects::kEngineRunning.offset,
                     ValueBuffer(objects::kEngineRunning), 2, 1);
    for (const DataObject* read : ConnectReads()) {
        sock->ReadObject(read->object, read->offset, ValueBuffer(*read), read->length, 0);
    }
    ResetGraphTimes();

    Timer2->start();
    isConnected = 1;
    Button2->setEnabled(true);
    Button3->setEnabled(true);
    Button4->setEnabled(true);
    watchdogDivider = 0;
    watchdogLastCount = 0;
    ShowConnected();
}

void TForm1::Disconnect() {
    isConnected = 0;
    Timer2->stop();
    if (sock->sessionOpen.load() != 0) {
        sock->CloseSession();
    }
    DisableUnitControls();
    ShowDisconnected();
}

void TForm1::ShowConnected() {
    ComboBox1->setEnabled(false);
    if (N4 != nullptr) {
        N4->setEnabled(false);
        N9->setEnabled(true);
    }
    Button1->setText(QStringLiteral("Отключить"));
    if (SpeedButton3->isChecked()) {
        SpeedButton3Click();
    }
}

void TForm1::ShowDisconnected() {
    // A calibration still running ends with the session, unsaved.
    EndCalibration();
    ComboBox1->setEnabled(true);
    Button1->setText(QStringLiteral("Подключить"));
    if (N4 != nullptr) {
        N4->setEnabled(true);
        N9->setEnabled(false);
    }
    SetStatusText(QStringLiteral("Отключен"));
}

bool TForm1::ConnectionWatchdog() {
    watchdogDivider = static_cast<std::int16_t>((watchdogDivider + 1) % kWatchdogTicks);
    if (watchdogDivider != 0) {
        return false;
    }
    const std::uint32_t frames = sock->FramesForMe();
    if (frames == watchdogLastCount) {
        // No frame for us during the last second: the unit is gone.
        Button1Click();
        return true;
    }
    watchdogLastCount = frames;
    return false;
}

View TForm1::CurrentView() const {
    if (SpeedButton1->isChecked()) return View::Information;
    if (SpeedButton3->isChecked()) return View::Settings;
    return View::Errors;
}

void TForm1::Timer2Timer() {
    if (ConnectionWatchdog()) {
        return;
    }
    if (sock->QueueDepth() > kPollBackPressure) {
        return;
    }
    for (const DataObject* read : PollReads(CurrentView(), PageControl2->currentIndex())) {
        sock->ReadObject(read->object, read->offset, ValueBuffer(*read), read->length, 0);
    }
}

}  // namespace varnok
