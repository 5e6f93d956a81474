#include "release13/calib_dialog.h"

#include <QTimer>

namespace varnok::release13 {

TForm2::TForm2(CSock& link, std::array<bool, 2>& calibrationAccepted,
               std::function<void()> onLinkLost, const QFont& font, QWidget* parent)
    : varnok::TForm2(calibrationAccepted, font, parent),
      sock(link),
      linkLost(std::move(onLinkLost)) {
    // A fixed dialog border; still only the dialog's own buttons close it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(403, 156);
}

void TForm2::AskForReading(const DataObject& reading) {
    if (sock.sessionOpen.load() == 0) {
        return;
    }
    if (sock.ReadObject(reading.object, reading.offset, ValueBuffer(reading), reading.length) !=
        0) {
        GaugeValue(reading.object, reading.offset);
        return;
    }
    Timer1->stop();
    if (linkLost) {
        linkLost();
    }
    // Clears the channel's mark and closes the dialog, if the disconnect
    // has not done so already.
    SessionEnded();
}

}  // namespace varnok::release13
