#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "shell/main_form.h"
#include "shell/object_read_event.h"
#include "tests/shell/qt_print.h"
#include "tests/shell/window_fixture.h"
#include "tests/support/pty_pair.h"

namespace varnok {
namespace {

using namespace std::string_literals;

// The main window, opened and closed by each test.
class MainWindow : public test::WindowFixture {
protected:
    TForm1& Open() {
        form = std::make_unique<TForm1>(sock);
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        return *form;
    }

    void Close() {
        form->close();
        form.reset();
    }

    static void StoreOptions(const QVariant& value) {
        QSettings("KMOR", "Varnok").setValue("Options/Options", value);
    }

    static QByteArray StoredOptions() {
        return QSettings("KMOR", "Varnok").value("Options/Options").toByteArray();
    }

    QWidget* Control(const char* name) const {
        auto* control = form->findChild<QWidget*>(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    enum class View { Information, Errors, Settings };

    void ExpectView(View view) const {
        const bool information = view == View::Information;
        EXPECT_EQ(form->SpeedButton1->isChecked(), information);
        EXPECT_EQ(form->SpeedButton2->isChecked(), view == View::Errors);
        EXPECT_EQ(form->SpeedButton3->isChecked(), view == View::Settings);
        EXPECT_EQ(form->N6->isChecked(), information);
        EXPECT_EQ(form->N7->isChecked(), view == View::Errors);
        EXPECT_EQ(form->N8->isChecked(), view == View::Settings);
        EXPECT_EQ(form->Panel1->isVisible(), information);
        EXPECT_EQ(form->Splitter1->isVisible(), information);
        EXPECT_EQ(form->Panel5->isVisible(), view == View::Errors);
        EXPECT_EQ(form->Panel6->isVisible(), view == View::Settings);
    }

    void ExpectSettingsGroupCentred() const {
        const Position centre =
            CenteredPosition(form->Panel6->width(), form->Panel6->height(),
                             form->GroupBox3->width(), form->GroupBox3->height());
        EXPECT_EQ(form->GroupBox3->pos(), QPoint(centre.left, centre.top));
    }

    void ExpectGraphAreaFromLayout() const {
        const GraphArea expected = ComputeGraphArea(
            form->Splitter1->x(), form->Splitter1->width(), form->ClientArea->width(),
            form->Panel1->width(), form->Panel1->y(), form->Panel1->height());
        EXPECT_EQ(form->graphArea, expected);
        EXPECT_EQ(form->GraphSurface->geometry(),
                  QRect(expected.left, expected.top, expected.width, expected.height));
    }
    std::unique_ptr<TForm1> form;
};

TEST_F(MainWindow, FirstRunShowsTheDisconnectedInformationView) {
    TForm1& window = Open();

    EXPECT_EQ(window.windowTitle(), "Varnok 1.4 beta");
    EXPECT_EQ(window.ComboBox1->currentText(), "COM1");
    ExpectView(View::Information);
    EXPECT_EQ(window.StatusText(), "Отключен");

    // The disconnected state.
    EXPECT_EQ(window.Button1->text(), "Подключить");
    EXPECT_TRUE(window.Button1->isEnabled());
    EXPECT_TRUE(window.ComboBox1->isEnabled());
    EXPECT_TRUE(window.N4->isEnabled());
    EXPECT_FALSE(window.N9->isEnabled());
    EXPECT_FALSE(window.Timer2->isActive());
    EXPECT_EQ(window.Timer2->interval(), 200);
    EXPECT_EQ(window.isConnected, 0);
    for (const char* name :
         {"Button2",   "Button3",   "Button4",   "Button5",   "Button7",   "CheckBox1", "CheckBox2",
          "CheckBox3", "CheckBox4", "CheckBox5", "CheckBox6", "ComboBox3", "Edit1",     "Edit2",
          "Edit3",     "Edit4",     "Edit5",     "Edit6",     "Edit7",     "Edit8",     "Label1",
          "Label2",    "Label3",    "Label4",    "Label7",    "Label9",    "Label10",   "Label11",
          "Label12",   "Label13",   "Label14"}) {
        EXPECT_FALSE(Control(name)->isEnabled()) << name;
    }

    // 800 x 600 in the middle of the desktop, and no smaller.
    EXPECT_EQ(window.frameGeometry().size(), QSize(800, 600));
    EXPECT_EQ(window.frameGeometry().center(),
              QGuiApplication::primaryScreen()->availableGeometry().center());
    window.resize(500, 400);
    EXPECT_EQ(window.frameGeometry().size(), QSize(800, 600));

    // The live lists hold their captions and no values; page 0 is open.
    EXPECT_EQ(window.PageControl2->currentIndex(), 0);
    // Row 0 and the last row of each list, and the row counts.
    struct Rows {
        QTreeWidget* list;
        int count;
        const char* first;
        const char* last;
    };
    const Rows lists[] = {
        {window.ListView5, 10, "Частота вращения двигателя n1, об/мин",
         "Напряжение питания Uпит, В"},
        {window.ListView2, 2, "Общее время работы двигателя, мин",
         "Общее число оборотов двигателя, об*1000"},
        {window.ListView3, 14, "Положение переключателя зажигание",
         "Положение переключателя датчика нейтрали"},
        {window.ListView4, 8, "Состояние главного реле", "Состояние дополнительной лампы"},
    };
    for (const Rows& rows : lists) {
        SCOPED_TRACE(rows.list->objectName().toStdString());
        ASSERT_EQ(rows.list->topLevelItemCount(), rows.count);
        EXPECT_EQ(rows.list->topLevelItem(0)->text(0), rows.first);
        EXPECT_EQ(rows.list->topLevelItem(rows.count - 1)->text(0), rows.last);
        for (int row = 0; row < rows.count; ++row) {
            EXPECT_TRUE(rows.list->topLevelItem(row)->text(1).isEmpty());
        }
    }
}

TEST_F(MainWindow, ClosingStoresTheSixteenByteOptionsRecord) {
    TForm1& window = Open();
    window.move(40, 30);
    const QPoint position = window.pos();
    Close();

    const QByteArray stored = StoredOptions();
    ASSERT_EQ(stored.size(), 16);
    EXPECT_EQ(stored.left(5), QByteArray("COM1\0", 5));
    const auto word = [&stored](int at) {
        return static_cast<std::int32_t>(static_cast<std::uint8_t>(stored[at]) |
                                         static_cast<std::uint8_t>(stored[at + 1]) << 8 |
                                         static_cast<std::uint8_t>(stored[at + 2]) << 16 |
                                         static_cast<std::uint8_t>(stored[at + 3]) << 24);
    };
    EXPECT_EQ(word(8), position.x());
    EXPECT_EQ(word(12), position.y());
}

TEST_F(MainWindow, ClosingWithASessionOpenStopsTheSessionAndStillStoresTheOptions) {
    test::PtyPair unit;
    ASSERT_EQ(channel.SerialOpen(unit.SlavePath(), sock.testerAddress, 9600), 1);
    sock.sessionOpen = 1;
    Open();
    Close();

    EXPECT_EQ(sock.sessionOpen, 0);
    EXPECT_EQ(test::Hex(unit.Read(5, std::chrono::seconds(2))), "81 10 F0 20 A1")
        << "StopDiagnosticSession";
    EXPECT_EQ(StoredOptions().left(5), QByteArray("COM1\0", 5));
}

TEST_F(MainWindow, OptionsRecordRoundTrips) {
    struct Case {
        const char* what;
        QVariant stored;       // before the run; invalid: nothing stored
        QString shown;         // in the port box after the window is shown
        QString chosen;        // typed before closing
        QByteArray nameBytes;  // bytes 0-7 stored afterwards
    };
    const QByteArray position("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    const Case cases[] = {
        {"first run", QVariant(), "COM1", "COM12", QByteArray("COM12\0\0\0", 8)},
        {"COM12 kept", QByteArray("COM12\0\0\0", 8) + position, "COM12", "COM12",
         QByteArray("COM12\0\0\0", 8)},
        {"empty name", QByteArray(16, '\0'), "", "", QByteArray(8, '\0')},
        {"20 bytes", QByteArray("COM7\0\0\0\0", 8) + position + QByteArray("\x09\x0A\x0B\x0C", 4),
         "COM1", "COM3", QByteArray("COM3\0\0\0\0", 8)},
        {"short value", QByteArray("COM9\0", 5), "COM9", "COM9", QByteArray("COM9\0\0\0\0", 8)},
        {"no zero byte", QByteArray("ttyACM10", 8) + position, "ttyACM10", "ttyACM10",
         QByteArray("ttyACM10", 8)},
        {"name too long", QByteArray("COM2\0\0\0\0", 8) + position, "COM2", "ttyACM10",
         QByteArray("COM2\0\0\0\0", 8)},
        {"same device shorter", QVariant(), "COM1", "/dev/ttyUSB0", QByteArray("ttyUSB0\0", 8)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QSettings("KMOR", "Varnok").clear();
        if (c.stored.isValid()) {
            StoreOptions(c.stored);
        }
        TForm1& window = Open();
        EXPECT_EQ(window.ComboBox1->currentText(), c.shown);
        window.ComboBox1->setEditText(c.chosen);
        Close();

        const QByteArray stored = StoredOptions();
        ASSERT_EQ(stored.size(), 16);
        EXPECT_EQ(stored.left(8), c.nameBytes);

        // The next run shows what was stored.
        Open();
        const qsizetype end = c.nameBytes.indexOf('\0');
        EXPECT_EQ(form->ComboBox1->currentText(),
                  QString::fromLatin1(end < 0 ? c.nameBytes : c.nameBytes.left(end)));
        Close();
    }
}

TEST_F(MainWindow, ViewsSwitchByButtonMenuAndKey) {
    TForm1& window = Open();
    struct Step {
        const char* how;
        std::function<void()> select;
        View view;
    };
    const Step steps[] = {
        {"SpeedButton2", [&] { QTest::mouseClick(window.SpeedButton2, Qt::LeftButton); },
         View::Errors},
        {"SpeedButton3", [&] { QTest::mouseClick(window.SpeedButton3, Qt::LeftButton); },
         View::Settings},
        {"SpeedButton1", [&] { QTest::mouseClick(window.SpeedButton1, Qt::LeftButton); },
         View::Information},
        {"SpeedButton1 again", [&] { QTest::mouseClick(window.SpeedButton1, Qt::LeftButton); },
         View::Information},
        {"N7", [&] { window.N7->trigger(); }, View::Errors},
        {"N8", [&] { window.N8->trigger(); }, View::Settings},
        {"N6", [&] { window.N6->trigger(); }, View::Information},
        {"F2", [&] { QTest::keyClick(&window, Qt::Key_F2); }, View::Errors},
        {"F3", [&] { QTest::keyClick(&window, Qt::Key_F3); }, View::Settings},
        {"F3 again", [&] { QTest::keyClick(&window, Qt::Key_F3); }, View::Settings},
        {"F1", [&] { QTest::keyClick(&window, Qt::Key_F1); }, View::Information},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.how);
        window.calibrationAccepted = {true, true};
        step.select();
        ExpectView(step.view);
        const bool cleared = step.view == View::Settings;
        EXPECT_EQ(window.calibrationAccepted, (std::array<bool, 2>{!cleared, !cleared}));
    }
}

TEST_F(MainWindow, F3InSettingsCentresTheGroupAgainAndClearsTheCalibrationMarks) {
    TForm1& window = Open();
    QTest::keyClick(&window, Qt::Key_F3);
    window.GroupBox3->move(0, 0);
    window.calibrationAccepted = {true, true};

    QTest::keyClick(&window, Qt::Key_F3);
    ExpectSettingsGroupCentred();
    EXPECT_GT(window.GroupBox3->x(), 0);
    EXPECT_EQ(window.calibrationAccepted, (std::array<bool, 2>{false, false}));
}

TEST_F(MainWindow, F1DocksTheSplitterAgainAndRecomputesTheGraphArea) {
    TForm1& window = Open();
    window.Splitter1->move(600, window.Splitter1->y());
    window.graphArea = GraphArea{};

    QTest::keyClick(&window, Qt::Key_F1);
    EXPECT_EQ(window.Splitter1->x(), window.Panel1->geometry().right() + 1);
    EXPECT_EQ(window.Splitter1->width(), 4);
    EXPECT_EQ(window.graphArea.left, window.Panel1->width() + 4 + 1);
    ExpectGraphAreaFromLayout();
}

TEST_F(MainWindow, ConnectShortcutsWorkOnlyInTheirState) {
    TForm1& window = Open();
    // A port that fails at once: the clicks try to connect and give up.
    window.ComboBox1->setEditText("/dev/varnok-no-such-port");
    QSignalSpy clicks(window.Button1, &QPushButton::clicked);

    QTest::keyClick(&window, Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 0) << "Alt+D while disconnected";
    QTest::keyClick(&window, Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1) << "Alt+C while disconnected clicks Button1";

    // The menu items of the connected state.
    window.N4->setEnabled(false);
    window.N9->setEnabled(true);
    QTest::keyClick(&window, Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1) << "Alt+C while connected";
    QTest::keyClick(&window, Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 2) << "Alt+D while connected clicks Button1";
}

TEST_F(MainWindow, GraphAreaFollowsASplitterMove) {
    TForm1& window = Open();
    const GraphArea before = window.graphArea;
    ASSERT_EQ(before.left, 321 + 4 + 1);
    ExpectGraphAreaFromLayout();
    QSignalSpy moved(window.Splitter1, &SplitterHandle::Moved);

    const QPoint grip(2, 100);
    QTest::mousePress(window.Splitter1, Qt::LeftButton, {}, grip);
    QTest::mouseMove(window.Splitter1, grip + QPoint(50, 0));
    QTest::mouseRelease(window.Splitter1, Qt::LeftButton, {}, grip + QPoint(50, 0));

    EXPECT_EQ(moved.count(), 1);
    EXPECT_EQ(window.Panel1->width(), 371);
    EXPECT_EQ(window.graphArea.left, before.left + 50);
    EXPECT_EQ(window.graphArea.width, before.width - 50);
    EXPECT_EQ(window.graphArea.top, before.top);
    EXPECT_EQ(window.graphArea.height, before.height);
    ExpectGraphAreaFromLayout();

    // Dragged far left, Panel1 keeps the splitter's minimum.
    const QPoint at(2, 100);
    QTest::mousePress(window.Splitter1, Qt::LeftButton, {}, at);
    QTest::mouseMove(window.Splitter1, at - QPoint(1000, 0));
    QTest::mouseRelease(window.Splitter1, Qt::LeftButton, {}, at - QPoint(1000, 0));
    EXPECT_EQ(window.Panel1->width(), SplitterHandle::kMinSize);
    ExpectGraphAreaFromLayout();
}

TEST_F(MainWindow, SettingsGroupStaysCentredWhenTheWindowIsResized) {
    TForm1& window = Open();
    QTest::keyClick(&window, Qt::Key_F3);
    for (const QSize size : {QSize(1000, 800), QSize(1301, 967), QSize(800, 600)}) {
        SCOPED_TRACE(size.width());
        window.resize(size);
        ExpectSettingsGroupCentred();
        EXPECT_TRUE(window.Panel6->rect().contains(window.GroupBox3->geometry()));
    }

    // Resized in another view: entering Settings centres by the panel's new size.
    QTest::keyClick(&window, Qt::Key_F2);
    window.resize(1200, 900);
    ExpectGraphAreaFromLayout();
    QTest::keyClick(&window, Qt::Key_F3);
    EXPECT_EQ(window.Panel6->size(), window.Panel5->size());
    ExpectSettingsGroupCentred();
}

TEST_F(MainWindow, PortListIsRefilledSortedOnEveryDropDownAndKeepsTheText) {
    TForm1& window = Open();
    QStringList ports{"COM2", "COM10", "COM1"};
    window.SetPortSource([&ports] { return ports; });
    window.ComboBox1->setEditText("ttyUSB0");

    EXPECT_EQ(window.ComboBox1->count(), 0) << "not filled before the first drop-down";
    window.ComboBox1->showPopup();
    window.ComboBox1->hidePopup();
    QStringList listed;
    for (int i = 0; i < window.ComboBox1->count(); ++i) {
        listed << window.ComboBox1->itemText(i);
    }
    EXPECT_EQ(listed, (QStringList{"COM1", "COM10", "COM2"}));
    EXPECT_EQ(window.ComboBox1->currentText(), "ttyUSB0");

    ports = {"ttyS0"};
    window.ComboBox1->showPopup();
    window.ComboBox1->hidePopup();
    EXPECT_EQ(window.ComboBox1->count(), 1);
    EXPECT_EQ(window.ComboBox1->itemText(0), "ttyS0");
    EXPECT_EQ(window.ComboBox1->currentText(), "ttyUSB0");
}

TEST_F(MainWindow, ErrorsViewButtonsRunTheFaultActions) {
    TForm1& window = Open();
    window.N7->trigger();
    window.Button2->setEnabled(true);
    window.Button3->setEnabled(true);
    QSignalSpy toggles(window.Button1, &QPushButton::clicked);

    new QTreeWidgetItem(window.ListView1, QStringList{"1", "P1904", "Повторяющаяся "});
    QTest::mouseClick(window.Button3, Qt::LeftButton);
    EXPECT_EQ(window.ListView1->topLevelItemCount(), 0) << "Сброс ошибок empties the list";

    // No session: the fault block cannot be read, and the refresh runs the
    // connect/disconnect toggle.
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(toggles.count(), 1);
}

// Sees events after the application's filters, just before the window.
class EventWitness : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == kObjectReadEvent) {
            ++seen;
        }
        return false;
    }
    int seen = 0;
};

TEST_F(MainWindow, AppMessageHandsReadNotificationsOnWithoutConsumingThem) {
    TForm1& window = Open();
    QSignalSpy reads(&window, &TForm1::ObjectRead);
    EventWitness witness;
    window.installEventFilter(&witness);

    QCoreApplication::postEvent(&window, new ObjectReadEvent(1009, 16));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(reads.count(), 0) << "nothing is dispatched while disconnected";
    EXPECT_EQ(witness.seen, 1);

    window.isConnected = 1;
    QCoreApplication::postEvent(&window, new ObjectReadEvent(1009, 16));
    QCoreApplication::postEvent(window.Button1, new ObjectReadEvent(1, 2));
    QCoreApplication::sendPostedEvents();
    window.isConnected = 0;

    ASSERT_EQ(reads.count(), 1) << "only notifications addressed to the window";
    EXPECT_EQ(reads[0][0].value<std::uint16_t>(), 1009);
    EXPECT_EQ(reads[0][1].value<std::uint16_t>(), 16);
    EXPECT_EQ(witness.seen, 2) << "the event goes on to the window";
}

TEST(ReadNotifier, PostsFromAnotherThreadUntilTheTargetIsDetached) {
    QObject receiver;
    EventWitness witness;
    receiver.installEventFilter(&witness);
    auto target = std::make_shared<NotificationTarget>(&receiver);
    const ReadNotifier notify = MakeReadNotifier(target);

    std::thread([&notify] { notify(103, 14); }).join();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(witness.seen, 1);

    target->Detach();
    std::thread([&notify] { notify(103, 14); }).join();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(witness.seen, 1);
}

}  // namespace
}  // namespace varnok
