#include "shell/about_box.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "shell/main_form.h"
#include "tests/shell/qt_print.h"
#include "tests/shell/window_fixture.h"

namespace varnok {
namespace {

// Takes the addresses the program hands to the desktop, instead of a
// browser or mail program.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    UrlRecorder() {
        QDesktopServices::setUrlHandler("http", this, "Open");
        QDesktopServices::setUrlHandler("mailto", this, "Open");
    }
    ~UrlRecorder() override {
        QDesktopServices::unsetUrlHandler("http");
        QDesktopServices::unsetUrlHandler("mailto");
    }

    QList<QUrl> opened;

public slots:
    void Open(const QUrl& url) { opened << url; }
};

using AboutBox = test::WindowFixture;

TEST_F(AboutBox, ShowsModallyUntilClosedAndOpensTheMakersAddresses) {
    TForm1 window(sock);
    TForm3 about(window.BrowseURL1, window.BrowseURL2);
    window.SetAboutBox(&about);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    UrlRecorder recorder;

    EXPECT_EQ(about.windowTitle(), "О программе");
    EXPECT_EQ(about.size(), QSize(229, 240));
    EXPECT_EQ(about.minimumSize(), about.maximumSize()) << "not resizable";
    EXPECT_FALSE(about.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(about.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(about.Button1->text(), "Закрыть");
    EXPECT_EQ(about.Label6->text(), "www.kmor.example");
    EXPECT_EQ(about.Label5->text(), "info@kmor.example");

    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        bool checked = false;
        QTimer::singleShot(0, &about, [&] {
            EXPECT_TRUE(about.isVisible());
            EXPECT_EQ(QApplication::activeModalWidget(), &about);
            EXPECT_EQ(about.Label4->text(), "KMOR");

            QTest::mouseClick(about.Label6, Qt::LeftButton);
            QTest::mouseClick(about.Label5, Qt::LeftButton);
            QTest::keyClick(&about, Qt::Key_Escape);
            EXPECT_TRUE(about.isVisible()) << "only Закрыть closes the box";
            EXPECT_EQ(QApplication::activeModalWidget(), &about);

            QTest::mouseClick(about.Button1, Qt::LeftButton);
            checked = true;
        });
        window.N3->trigger();  // returns when the box has closed
        EXPECT_TRUE(checked);
        EXPECT_FALSE(about.isVisible());
    }
    EXPECT_EQ(recorder.opened,
              (QList<QUrl>{QUrl("http://www.kmor.example"), QUrl("mailto:info@kmor.example"),
                           QUrl("http://www.kmor.example"), QUrl("mailto:info@kmor.example")}));
}

}  // namespace
}  // namespace varnok

#include "about_box_test.moc"
