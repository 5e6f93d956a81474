#include "release13/program_windows.h"

#include "shell/fonts.h"

namespace varnok::release13 {

ProgramWindows::ProgramWindows(CSock& sock, Clock& clock)
    : form1(sock, clock),
      form2(
          sock, form1.calibrationAccepted, [this] { form1.UnitLost(); }, BoxFont()),
      form3(form1.BrowseURL1, form1.BrowseURL2) {
    form1.SetCalibrationDialog(&form2);
    form3.Label1->setText(kAboutText);
    form1.SetAboutBox(&form3);
}

}  // namespace varnok::release13
