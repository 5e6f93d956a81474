// TForm2 (the design's unit Calib), the pedal calibration dialog: measures
// the released and the fully pressed reading of one accelerator pedal
// channel while the user follows its instructions. Calibrate runs it for
// channel 0 (object 104) or 1 (object 105) and, when the user accepts a
// finished calibration with "ОК", writes the result into the channel's data
// object.
//
// While shown, Timer1 queues a read of the channel's raw reading (offset 14)
// every 200 ms; the answers come back through the main window's dispatch,
// which hands them to GaugeValue, and each tick steps the calibration on
// the reading last received.
//
// The accepted mark of a channel is set only by "ОК". Every other way the
// dialog closes, "Отмена", the end of the session, or the system's close
// key, clears it, so the main window never writes half-measured readings.
//
// A build with another link object (release13/) derives its dialog from
// this one: it builds it without the queued CSock and asks for the reading
// its own way (AskForReading); Calibrate and WriteCalibration are then not
// used.
//
// Main thread only. The link object and the marks must outlive the dialog.
#pragma once

#include <QDialog>
#include <QProgressBar>
#include <array>
#include <cstdint>

#include "link/csock.h"
#include "livedata/data_objects.h"
#include "settings/pedal_calibration.h"

class QLabel;
class QPushButton;
class QTimer;

namespace varnok {

inline const QString kCalibrationStart = "Отпустите педаль и нажмите кнопку \"ПУСК\"";
inline const QString kCalibratingReleased = "Идет калибровка отпущенного состояния педали...";
inline const QString kPressPedal = "Нажмите педаль до упора и удерживайте";
inline const QString kCalibrationDone = "Калибровка завершена";

// The gauge: a black bar on white, 0 to 1023, with the filled share as a
// whole percentage printed across it (white where the bar lies under it).
class PedalGauge : public QProgressBar {
    Q_OBJECT

public:
    explicit PedalGauge(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// One write of an accepted calibration: the object and the words it takes
// (object->length bytes of `bytes`).
struct CalibrationWrite {
    const DataObject* object;
    std::array<std::uint8_t, 6> bytes;
};

// The three writes that store channel `channel`'s readings, in order: offset
// 22 the words 0, 10000, 32767; offset 54 the released and pressed readings
// and 32767; offset 20 the word 0.
std::array<CalibrationWrite, 3> CalibrationWrites(std::uint16_t channel,
                                                  const PedalReadings& readings);

class TForm2 : public QDialog {
    Q_OBJECT

public:
    // `calibrationAccepted` are the main window's accepted marks of channels
    // 1 and 2. `font` is the dialog's font (Tahoma 8 pt in the program).
    TForm2(CSock& sock, std::array<bool, 2>& calibrationAccepted, const QFont& font = QFont(),
           QWidget* parent = nullptr);

    // "Калибровка..." of pedal channel `channel` (0 or 1): shows the dialog
    // modally and, when the channel's mark is set afterwards, writes the
    // calibration (WriteCalibration).
    void Calibrate(std::uint16_t channel);
    // The three CalibrationWrites of the channel, each waiting for its
    // answer. Results are not looked at.
    void WriteCalibration(std::uint16_t channel);

    // The dispatch's case for the raw pedal reading (objects 104 and 105,
    // offset 14): moves the gauge, shown or not. True for those pairs.
    bool GaugeValue(std::uint16_t object, std::uint16_t offset);
    // The session has ended: if the dialog is open, clears its channel's
    // mark and closes it. Nothing is written.
    void SessionEnded();

    // Handlers.
    void FormShow();
    void Button3Click();
    void Timer1Timer();
    void Button1Click();
    void Button2Click();
    void FormClose();

    // 0 for channel 1 (object 104), 1 for channel 2 (object 105); set by
    // Calibrate just before the dialog is shown.
    std::uint16_t channelIndex = 0;
    // The released and pressed readings of each channel.
    std::array<PedalReadings, 2> readings{};
    PedalCalibration calibration;

    QLabel* Label1;
    PedalGauge* CGauge1;
    QPushButton* Button3;
    QPushButton* Button1;
    QPushButton* Button2;
    QTimer* Timer1;

protected:
    // For a build with its own link object: no queued CSock.
    TForm2(std::array<bool, 2>& calibrationAccepted, const QFont& font, QWidget* parent);

    // The first step of every Timer1 tick, for channel `reading` (object 104
    // or 105, offset 14). While a session is open it queues a read whose
    // answer moves the gauge; without one it clears the channel's mark and
    // closes the dialog. The rest of the tick steps the calibration on the
    // reading last received.
    virtual void AskForReading(const DataObject& reading);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ShowInstruction(const QString& text);

    // The queued link object; null in a build with its own.
    CSock* sock = nullptr;
    std::array<bool, 2>& accepted;
};

}  // namespace varnok
