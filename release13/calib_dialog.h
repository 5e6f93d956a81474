// TForm2 of the 1.3 build: the pedal calibration dialog over the synchronous
// link. Its steps, texts and controls are those of the 1.4 dialog
// (settings/calib_dialog.h); it differs in three ways:
// - its timer reads the channel's reading itself, waiting for the answer,
//   and moves the gauge; a read that fails means the unit is lost: the
//   timer stops, the link-lost action runs (the window's disconnect) and
//   the dialog closes unaccepted;
// - the main window shows it directly and writes nothing afterwards: the
//   save writes an accepted calibration;
// - a fixed single border, client area 403 x 156.
//
// Main thread only. The link object and the marks must outlive the dialog.
#pragma once

#include <functional>

#include "release13/sync_sock.h"
#include "settings/calib_dialog.h"

namespace varnok::release13 {

class TForm2 : public varnok::TForm2 {
    Q_OBJECT

public:
    TForm2(CSock& sock, std::array<bool, 2>& calibrationAccepted, std::function<void()> linkLost,
           const QFont& font = QFont(), QWidget* parent = nullptr);

protected:
    void AskForReading(const DataObject& reading) override;

private:
    CSock& sock;
    std::function<void()> linkLost;
};

}  // namespace varnok::release13
