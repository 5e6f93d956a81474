// varnok, release 1.4 beta.
//
// Start-up order: the link object first (its constructor starts the worker
// thread), then the application, then the windows in the order Form1,
// Form2, Form3; the event loop shows Form1 and runs until it closes.
#include "link/program_link.h"
#include "shell/about_box.h"
#include "shell/application.h"
#include "shell/fonts.h"
#include "shell/main_form.h"

int main(int argc, char** argv) {
    varnok::CSock& sock = varnok::Sock();

    varnok::VarnokApplication application(argc, argv);
    varnok::LoadTranslations(application);

    return varnok::RunGuarded([&sock] {
        varnok::TForm1 form1(sock);
        varnok::TForm2 form2(sock, form1.calibrationAccepted, varnok::BoxFont());
        form1.SetCalibrationDialog(&form2);
        varnok::TForm3 form3(form1.BrowseURL1, form1.BrowseURL2);
        form1.SetAboutBox(&form3);
        form1.show();
        return varnok::VarnokApplication::exec();
    });
}
