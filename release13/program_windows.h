// The 1.3 program's three windows, made in the start-up order (Form1, Form2,
// Form3) and tied together: the calibration dialog ends the session through
// the main window when its read finds the unit gone, and the About box
// names release 1.3. The program and the tests build them the same way.
//
// Main thread only. The link object and the clock must outlive them.
#pragma once

#include "release13/calib_dialog.h"
#include "release13/main_form.h"
#include "shell/about_box.h"

namespace varnok::release13 {

struct ProgramWindows {
    ProgramWindows(CSock& sock, Clock& clock);

    TForm1 form1;
    TForm2 form2;
    TForm3 form3;
};

}  // namespace varnok::release13
