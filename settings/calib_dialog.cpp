#include "settings/calib_dialog.h"

#include <QGuiApplication>
#include <QHideEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>
#include <initializer_list>

#include "livedata/data_objects.h"

namespace varnok {

namespace {

constexpr int kGaugeMaximum = 1023;

const DataObject& ReadingOf(std::uint16_t channel) {
    return channel == 0 ? objects::kPedal1Reading : objects::kPedal2Reading;
}

void PutWords(std::uint8_t* bytes, std::initializer_list<std::uint16_t> words) {
    for (std::uint16_t word : words) {
        *bytes++ = static_cast<std::uint8_t>(word & 0xFF);
        *bytes++ = static_cast<std::uint8_t>(word >> 8);
    }
}

}  // namespace

PedalGauge::PedalGauge(QWidget* parent) : QProgressBar(parent) {
    setRange(0, kGaugeMaximum);
    setValue(0);
    setFormat("%p%");
    setTextVisible(true);
}

void PedalGauge::paintEvent(QPaintEvent* event) {
    static_cast<void>(event);
    QPainter painter(this);
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(rect(), Qt::black);
    painter.fillRect(inside, Qt::white);
    const long long span = static_cast<long long>(maximum()) - minimum();
    const long long filled =
        span > 0 ? (static_cast<long long>(value()) - minimum()) * inside.width() / span : 0;
    const QRect bar(inside.topLeft(), QSize(static_cast<int>(filled), inside.height()));
    painter.fillRect(bar, Qt::black);

    const QString percentage = text();
    painter.setPen(Qt::black);
    painter.drawText(inside, Qt::AlignCenter, percentage);
    painter.setClipRect(bar);
    painter.setPen(Qt::white);
    painter.drawText(inside, Qt::AlignCenter, percentage);
}

std::array<CalibrationWrite, 3> CalibrationWrites(std::uint16_t channel,
                                                  const PedalReadings& readings) {
    std::array<CalibrationWrite, 3> writes{{
        {channel == 0 ? &objects::kPedal1Reset : &objects::kPedal2Reset, {}},
        {channel == 0 ? &objects::kPedal1Range : &objects::kPedal2Range, {}},
        {channel == 0 ? &objects::kPedal1Finish : &objects::kPedal2Finish, {}},
    }};
    PutWords(writes[0].bytes.data(), {0, 10000, 32767});
    PutWords(writes[1].bytes.data(), {readings.released, readings.pressed, 32767});
    PutWords(writes[2].bytes.data(), {0});
    return writes;
}

TForm2::TForm2(CSock& link, std::array<bool, 2>& calibrationAccepted, const QFont& font,
               QWidget* parent)
    : TForm2(calibrationAccepted, font, parent) {
    sock = &link;
}

TForm2::TForm2(std::array<bool, 2>& calibrationAccepted, const QFont& font, QWidget* parent)
    : QDialog(parent), accepted(calibrationAccepted) {
    setObjectName("Form2");
    setWindowTitle("Калибровка педали");
    // A tool window's border without title-bar buttons: only the dialog's
    // own buttons close it.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    setFont(font);
    setFixedSize(403, 164);

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(24, 24, 300, 16);
    // Only the size and weight are set: the family follows the dialog's.
    QFont labelFont;
    labelFont.setPixelSize(13);
    labelFont.setBold(true);
    Label1->setFont(labelFont);
    ShowInstruction(kCalibrationStart);

    CGauge1 = new PedalGauge(this);
    CGauge1->setObjectName("CGauge1");
    CGauge1->setGeometry(24, 56, 363, 33);

    auto button = [this](const char* name, const QString& caption, int left) {
        auto* made = new QPushButton(caption, this);
        made->setObjectName(name);
        made->setGeometry(left, 104, 107, 33);
        return made;
    };
    Button3 = button("Button3", "ПУСК", 24);
    Button1 = button("Button1", "ОК", 152);
    Button1->setEnabled(false);
    Button2 = button("Button2", "Отмена", 280);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(200);
    Timer1->setTimerType(Qt::PreciseTimer);

    connect(Button3, &QPushButton::clicked, this, &TForm2::Button3Click);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
    connect(Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);
}

void TForm2::ShowInstruction(const QString& text) {
    // The label takes the size of its text, so that the longer instructions
    // are not cut at the design's 300 pixels.
    Label1->setText(text);
    Label1->adjustSize();
}

void TForm2::Calibrate(std::uint16_t channel) {
    channelIndex = channel;
    exec();
    if (accepted[channel]) {
        WriteCalibration(channel);
    }
}

void TForm2::WriteCalibration(std::uint16_t channel) {
    for (const CalibrationWrite& write : CalibrationWrites(channel, readings[channel])) {
        sock->WriteObject(write.object->object, write.object->offset, write.bytes.data(),
                          write.object->length, 1);
    }
}

bool TForm2::GaugeValue(std::uint16_t object, std::uint16_t offset) {
    const DataObject& reading = objects::kPedal1Reading;
    if ((object != objects::kPedal1Reading.object && object != objects::kPedal2Reading.object) ||
        offset != reading.offset) {
        return false;
    }
    // Both channels' readings share one buffer.
    CGauge1->setValue(std::min<int>(LoadUnsigned16(reading), kGaugeMaximum));
    return true;
}

void TForm2::SessionEnded() {
    if (isVisible()) {
        accepted[channelIndex] = false;
        reject();
    }
}

void TForm2::FormShow() {
    Button1->setEnabled(false);
    Button2->setEnabled(true);
    Button3->setEnabled(true);
    ShowInstruction(kCalibrationStart);
    setWindowTitle(channelIndex == 0 ? "Калибровка педали (1 канал)"
                                     : "Калибровка педали (2 канал)");
    calibration.Reset();
    setResult(Rejected);
    Timer1->start();
}

void TForm2::Button3Click() {
    Button3->setEnabled(false);
    ShowInstruction(kCalibratingReleased);
    calibration.Start(readings[channelIndex], LoadUnsigned16(ReadingOf(channelIndex)));
}

void TForm2::AskForReading(const DataObject& reading) {
    if (sock->sessionOpen.load() != 0) {
        sock->ReadObject(reading.object, reading.offset, ValueBuffer(reading), reading.length, 0);
    } else {
        accepted[channelIndex] = false;
        reject();
    }
}

void TForm2::Timer1Timer() {
    const DataObject& reading = ReadingOf(channelIndex);
    AskForReading(reading);
    switch (calibration.Tick(readings[channelIndex], LoadUnsigned16(reading))) {
        case PedalCalibration::Step::ReleasedSteady:
            ShowInstruction(kPressPedal);
            break;
        case PedalCalibration::Step::Finished:
            Button1->setEnabled(true);
            ShowInstruction(kCalibrationDone);
            break;
        case PedalCalibration::Step::None:
            break;
    }
}

void TForm2::Button1Click() {
    accepted[channelIndex] = true;
    PedalCalibration::MoveTogether(readings[channelIndex]);
    accept();
}

void TForm2::Button2Click() {
    accepted[channelIndex] = false;
    reject();
}

void TForm2::FormClose() {
    Timer1->stop();
    // Only "ОК" accepts; a close by any other way counts as "Отмена".
    if (result() != Accepted) {
        accepted[channelIndex] = false;
    }
}

void TForm2::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect placed(QPoint(), frameGeometry().size());
            placed.moveCenter(screen->availableGeometry().center());
            move(placed.topLeft());
        }
    }
    QDialog::showEvent(event);
}

void TForm2::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) {
        FormClose();
    }
    QDialog::hideEvent(event);
}

}  // namespace varnok
