// TForm1 of the 1.3 build: the main window over the synchronous link.
//
// It is the 1.4 window's frame (shell/main_form.h) built from the 1.3
// design: caption "Varnok 1.3", no connect items and no shortcut keys in
// the menu, no Kp field, ComboBox2 for the speed limiter, the calibration
// state beside each calibration button, 50-point graph histories and no
// options record. What differs in behaviour is here:
//
// - Connect and disconnect (Button1Click) through Connection: the engine
//   totals are shown once at connect; there is no watchdog. The polling
//   thread reads the live values in endless cycles; Timer1 (10 ms) counts
//   the time since the last complete cycle (sinceLastCycle) and shows each
//   cycle in the lists and the graph (ShowCycle).
// - A read that fails in the polling thread, in "Обновить" or in the
//   calibration dialog means the unit is lost (UnitLost): pollThreadEnded
//   is set and the disconnect drops the session without stop requests.
//   The polling thread hands this to the main thread as a queued call.
// - Every operation that talks to the unit from the main thread first stops
//   the polling thread (StopPolling) and starts it again afterwards
//   (StartPolling), so that two requests never share the line.
// - The Settings view reads all its values when it is entered, and
//   "Сохранить в блоке" writes them all at once, with the calibrations
//   accepted since (main_form_settings.cpp).
//
// Main thread only, but for the polling thread's hand-off. The link object
// and the clock must outlive the window.
#pragma once

#include <QString>
#include <QTimer>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "faults/errors_view.h"
#include "link/clock.h"
#include "release13/connection.h"
#include "release13/settings_fields.h"
#include "shell/main_form.h"

namespace varnok::release13 {

inline constexpr char kProgramCaption[] = "Varnok 1.3";
// File version 1.3.0.118 (its product version was 1.2.0.0).
inline constexpr char kProgramVersion[] = VARNOK13_VERSION;
inline constexpr char kAboutText[] = "Varnok, версия 1.3, 16.04.2008";

// Label8 and Label15: the state of a pedal channel's calibration.
inline const QString kCalibrationNotDone = "не выполнена";
inline const QString kCalibrationDone = "выполнена";

inline constexpr WindowDesign kRelease13Window{
    .caption = kProgramCaption,
    .width = 792,
    .height = 546,
    .button1Left = 126,
    .connectItems = false,
    .shortcuts = false,
    .pollingTimer = false,
    .graphHistory = 50,
    .kpField = false,
    .label10 = "Минимальные обороты холостого хода прогретого двигателя, об/мин (630...670):",
    .label11 = "Максимальная коррекция педали прогретого двигателя, % (12...18):",
    .speedLimiterList = true,
    .calibrationState = true,
};

class TForm1 : public varnok::TForm1 {
    Q_OBJECT

public:
    // Where the display timer takes a complete polling cycle from: the
    // polling thread's last one, once.
    using CycleSource = std::function<std::optional<CycleValues>()>;

    TForm1(CSock& sock, Clock& clock, QWidget* parent = nullptr);
    ~TForm1() override;

    // Handlers that differ from the 1.4 window's.
    void FormShow() override;
    void FormResize() override;
    void FormPaint() override;
    void FormClose() override;
    void SpeedButton3Click() override;
    void Button5Click() override;
    void Button7Click() override;
    // "Обновить" and "Сброс ошибок".
    void Button2Click();
    void Button3Click();
    // "Сохранить в блоке" (main_form_settings.cpp).
    void Button4Click();
    void CheckBox5Click();
    void Timer1Timer();

    // Stops Timer1 and the polling thread and waits 100 ms.
    void StopPolling();
    // A new polling thread and Timer1; nothing once the unit is lost.
    void StartPolling();
    // Button2, Button3, Button4 and CheckBox5 follow `on`; each control with
    // a fieldRead flag is enabled when `on` and its flag are set; CheckBox5
    // is checked exactly when Button7's flag is set. Labels stay enabled.
    void SetUnitControls(bool on);
    // The lists and the graph from one complete cycle; the graph's points
    // move back by sinceLastCycle.
    void ShowCycle(const CycleValues& cycle);
    // Entering the Settings view while a session is open: reads every
    // value, fills the controls and sets the fieldRead flags.
    void ReadSettings();
    // A read of the main thread found the unit gone: the session ends
    // without stop requests.
    void UnitLost();

    // Tests hand in their own cycles; the polling thread's by default.
    void SetCycleSource(CycleSource source);
    Connection& Session() { return connection; }

    // The control of a fieldRead flag.
    QWidget* Control(SettingsControl control) const;

    // Seconds since the last complete cycle was shown, in 10 ms ticks.
    double sinceLastCycle = 0;
    // One per control of kSettingsFields: its value was read when the
    // Settings view was last entered. Kept across disconnects.
    std::array<bool, kSettingsFieldCount> fieldRead{};

    // The display timer, 10 ms, running while the polling thread may
    // produce cycles.
    QTimer* Timer1;

protected:
    // Connect and disconnect of Button1Click.
    void Connect() override;
    void Disconnect() override;

private:
    // The polling thread's hand-off, run on the main thread: the unit was
    // lost in session `lostSession`.
    void PollingLostTheUnit(std::uint64_t lostSession);
    void ShowSettingsValues();
    void ShowCalibrationState(std::uint16_t channel);
    void Calibrate(std::uint16_t channel);
    // The save's writes: the fields in order, the accepted calibrations,
    // the engine stop request withdrawn, and the store.
    void WriteSettings();
    int WriteWord(const DataObject& object, std::uint16_t value);

    CSock& sock;
    Clock& clock;
    // Counts the connects; read by the polling thread's hand-off.
    std::atomic<std::uint64_t> sessionNumber{0};
    Connection connection;
    CycleSource cycleSource;
    std::unique_ptr<ErrorsView> errorsView;
};

}  // namespace varnok::release13
