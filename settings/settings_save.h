// Storing the settings permanently in the unit ("Сохранить в блоке").
//
// The unit does not store while the engine runs. When the engine running
// word (object 200, as last received) is not 0, the user is asked whether
// the unit should stop the engine; the unit is then asked to (object 10006
// = 1) and object 200 is read afresh every 100 ms, at most 40 times. A stop
// request is always withdrawn (10006 = 0) before the store, and also on the
// time-out. The store itself is CSock::StoreSettings (object 10004).
//
// Only the success and the stop time-out are reported; any other failure
// ends the save silently, and the user learns of it by the missing success
// message.
//
// Main thread only. Every request here waits for its answer and the pauses
// are plain sleeps of `clock`: the main thread is held for the whole save.
#pragma once

#include <QMessageBox>
#include <QString>

#include "link/clock.h"
#include "link/csock.h"

class QWidget;

namespace varnok {

inline const QString kStopEngineQuestion =
    "Невозможно сохранение параметров при рабочем двигателе. Остановить двигатель?";
inline const QString kStopEngineCaption = "Предупреждение!";
inline const QString kStopTimeoutMessage = "Таймаут остановки двигателя";
inline const QString kSavedMessage = "Настройки успешно сохранены!";
inline const QString kSavedCaption = "Сохранение в блоке";

// Fresh reads of the engine running word while waiting for the engine to stop.
inline constexpr int kStopChecks = 40;
inline constexpr std::uint32_t kStopCheckPauseMs = 100;

// The whole save; `owner` owns its message boxes. Does nothing without an
// open session.
void SaveSettings(CSock& sock, Clock& clock, QWidget* owner);

// The save's two message boxes, also for a build with another link object.
//
// The question whether the unit should stop the engine, kept above all
// other windows: OK, Cancel, or neither when the box could not be shown.
QMessageBox::StandardButton AskToStopEngine(QWidget* owner);
// "Таймаут остановки двигателя" with the platform's default caption.
void ShowStopTimeout(QWidget* owner);

}  // namespace varnok
