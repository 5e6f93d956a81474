// The window fonts: the design's family where the system has it, else its
// metric look-alike from fonts-liberation2.
#pragma once

#include <QFont>

namespace varnok {

// "MS Sans Serif" 8 pt, the main window's font.
QFont WindowFont();
// "Tahoma" 8 pt, the About box's font.
QFont BoxFont();

}  // namespace varnok
