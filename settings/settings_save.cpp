#include "settings/settings_save.h"

#include "livedata/data_objects.h"
#include "settings/message_box.h"

namespace varnok {

namespace {

void WriteWord(CSock& sock, const DataObject& object, std::uint16_t value) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value & 0xFF),
                                   static_cast<std::uint8_t>(value >> 8)};
    // Whether the unit took it makes no difference to the save.
    sock.WriteObject(object.object, object.offset, bytes, 2, 1);
}

bool EngineStopped() {
    return LoadUnsigned16(objects::kEngineRunning) == 0;
}

// Asks the unit to stop the engine and waits for the running word to read
// 0: tested at once and after each of up to 40 pauses, each pause followed
// by a fresh read (a failed read leaves the last value in place).
bool StopEngine(CSock& sock, Clock& clock) {
    const DataObject& running = objects::kEngineRunning;
    WriteWord(sock, objects::kEngineStopRequest, 1);
    for (int pauses = 0;; ++pauses) {
        if (EngineStopped()) {
            return true;
        }
        if (pauses == kStopChecks) {
            return false;
        }
        clock.Sleep(kStopCheckPauseMs);
        sock.ReadObject(running.object, running.offset, ValueBuffer(running), running.length, 1);
    }
}

}  // namespace

QMessageBox::StandardButton AskToStopEngine(QWidget* owner) {
    MessageBoxRequest question{QMessageBox::Question, kStopEngineCaption, kStopEngineQuestion,
                               QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok};
    question.stayOnTop = true;
    return ShowMessageBox(owner, question);
}

void ShowStopTimeout(QWidget* owner) {
    // No caption of its own: the platform's default title.
    ShowMessageBox(owner, MessageBoxRequest{QMessageBox::NoIcon, QString(), kStopTimeoutMessage,
                                            QMessageBox::Ok});
}

void SaveSettings(CSock& sock, Clock& clock, QWidget* owner) {
    if (sock.sessionOpen.load() == 0) {
        return;
    }
    if (!EngineStopped()) {
        const QMessageBox::StandardButton answer = AskToStopEngine(owner);
        if (answer == QMessageBox::Cancel) {
            return;
        }
        // A box that could not be shown answers neither: the store is tried
        // as if the engine were stopped.
        if (answer == QMessageBox::Ok && !StopEngine(sock, clock)) {
            WriteWord(sock, objects::kEngineStopRequest, 0);
            ShowStopTimeout(owner);
            return;
        }
    }
    // Withdraws a stop request; done also when the engine was already stopped.
    WriteWord(sock, objects::kEngineStopRequest, 0);
    if (sock.StoreSettings() == 1) {
        MessageBoxRequest saved{QMessageBox::NoIcon, kSavedCaption, kSavedMessage, QMessageBox::Ok};
        saved.stayOnTop = true;
        ShowMessageBox(owner, saved);
    }
}

}  // namespace varnok
