// TForm1, the main window: the connection bar, the view switcher, the three
// views that share the window's lower part (Information, Errors, Settings),
// the menu, the status bar and the polling timer.
//
// The window is built on the link object handed to the constructor, which
// must outlive it (the program hands in Sock()). The constructor runs
// FormCreate: it installs AppMessage as an event filter on the application
// and makes the window the receiver of the link's read notifications. The
// link's worker thread posts them as ObjectReadEvents; AppMessage sees them
// on the main thread and emits ObjectRead, never consuming the event.
//
// The controls carry their design names as member names and objectNames.
// Their layout: Panel2 (connection bar and view switcher) along the top of
// the client area, then Panel1 (the live lists) and Splitter1 on the left
// and the graph area right of them (Information view), or Panel5 (Errors
// view) or Panel6 (Settings view) filling the rest. The current view is the
// speed button that is down.
//
// The controls follow a WindowDesign (window_design.h). A build with its
// own link object (release13/) derives its window from this one: it builds
// it with its own design through the protected constructor, which touches
// no link object and installs no event hook, and overrides the virtual
// handlers below where its window behaves otherwise. The 1.4 handlers that
// talk to the queued CSock run only in the window built on one.
//
// Main thread only.
#pragma once

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "faults/errors_view.h"
#include "graph/information_graph.h"
#include "link/csock.h"
#include "livedata/poll_schedule.h"
#include "settings/calib_dialog.h"
#include "settings/settings_view.h"
#include "shell/align_panel.h"
#include "shell/options_record.h"
#include "shell/port_list.h"
#include "shell/window_design.h"
#include "shell/window_geometry.h"

namespace varnok {

class NotificationTarget;
class TForm3;

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm1(CSock& sock, QWidget* parent = nullptr);
    ~TForm1() override;

    // The About box that "О программе" shows; created after this window.
    void SetAboutBox(TForm3* aboutBox);
    // The pedal calibration dialog, created after this window.
    void SetCalibrationDialog(TForm2* dialog);
    // Where the port list comes from (tests hand in their own names).
    void SetPortSource(std::function<QStringList()> source);

    // Handlers.
    virtual void FormShow();
    virtual void FormResize();
    virtual void FormPaint();
    virtual void FormClose();
    void Splitter1Moved();
    void SpeedButton1Click();
    void SpeedButton2Click();
    virtual void SpeedButton3Click();
    void N3Click();
    void N4Click();
    void N5Click();
    void N6Click();
    void N7Click();
    void N8Click();
    void N9Click();
    void ComboBox1DropDown();
    // Connect when disconnected, disconnect when connected.
    void Button1Click();
    // The 200 ms polling tick: the watchdog first, then the reads of the
    // current view unless the link's queue is backed up.
    void Timer2Timer();
    // "Калибровка..." of pedal channel 1 and 2 (main_form_settings.cpp).
    virtual void Button5Click();
    virtual void Button7Click();

    // Operations used by the views and the session control.
    void DisableUnitControls();
    void UpdateGraphArea();
    void CenterSettingsGroup();
    // Draws the trend graph in the graph area; with `rebuild` its axes, grid
    // and labels are laid out anew for the current area first.
    void RedrawGraph(bool rebuild);

    // Once a second (every fifth tick): when no frame for the program has
    // arrived since the last check, disconnects and returns true.
    bool ConnectionWatchdog();
    // The view whose speed button is down.
    View CurrentView() const;
    // The session has ended: an open calibration dialog closes, unaccepted
    // (main_form_settings.cpp).
    void EndCalibration();

    void SetStatusText(const QString& text);
    QString StatusText() const;

    // 1 after a complete connect, 0 after a disconnect.
    int isConnected = 0;
    // The unit's firmware version, from characters 21 to 23 of its
    // identification at connect; 0 until then. Below 276 the unit holds the
    // tachograph constant in units of 8 pulses per km.
    std::uint16_t firmwareVersion = 0;
    // The graph area in client-area coordinates, as UpdateGraphArea set it.
    GraphArea graphArea;
    // The pedal calibration dialog's accepted marks of pedal channels 1 and
    // 2. The dialog sets a channel's mark when the user accepts a finished
    // calibration; entering the Settings view clears both; the save writes
    // the calibration of the channels whose mark is set.
    std::array<bool, 2> calibrationAccepted{};

    // The client area: everything between the menu bar and the status bar.
    AlignPanel* ClientArea;

    // Connection bar and view switcher.
    QFrame* Panel2;
    QGroupBox* GroupBox1;
    PortComboBox* ComboBox1;
    QPushButton* Button1;
    QGroupBox* GroupBox2;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton3;
    QButtonGroup* ViewButtons;

    // Information view.
    AlignPanel* Panel1;
    QTreeWidget* ListView5;
    SplitterHandle* Splitter3;
    QTabWidget* PageControl2;
    QWidget* TabSheet6;
    QWidget* TabSheet7;
    QWidget* TabSheet8;
    QTreeWidget* ListView2;
    QTreeWidget* ListView3;
    QTreeWidget* ListView4;
    SplitterHandle* Splitter1;
    // Covers the graph area; the trend graph is drawn on it.
    GraphView* GraphSurface;
    // The Information view's trend graph and its point histories.
    InformationGraph informationGraph;

    // Errors view.
    QFrame* Panel5;
    QFrame* Panel3;
    QPushButton* Button2;
    QPushButton* Button3;
    QTreeWidget* ListView1;

    // Settings view.
    QFrame* Panel6;
    QGroupBox* GroupBox3;
    QLabel* Label7;
    QPushButton* Button5;
    QLabel* Label8 = nullptr;  // only with WindowDesign::calibrationState
    QLabel* Label14;
    QPushButton* Button7;
    QLabel* Label15 = nullptr;  // only with WindowDesign::calibrationState
    QCheckBox* CheckBox5;
    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QCheckBox* CheckBox6 = nullptr;  // not with WindowDesign::speedLimiterList
    QComboBox* ComboBox2 = nullptr;  // only with WindowDesign::speedLimiterList
    QLabel* Label3;
    QComboBox* ComboBox3;
    QCheckBox* CheckBox1;
    QCheckBox* CheckBox2;
    QCheckBox* CheckBox3;
    QCheckBox* CheckBox4;
    QGroupBox* GroupBox8;
    QLabel* Label9;
    QLineEdit* Edit3;
    QLabel* Label10;
    QLineEdit* Edit4;
    QLabel* Label11;
    QLineEdit* Edit5;
    QLabel* Label4 = nullptr;  // only with WindowDesign::kpField
    QLineEdit* Edit8 = nullptr;
    QLabel* Label12;
    QLineEdit* Edit6;
    QLabel* Label13;
    QLineEdit* Edit7;
    QPushButton* Button4;

    QStatusBar* StatusBar1;

    // Menu.
    QMenu* N1;
    QAction* N4 = nullptr;  // N4, N9 and N10 only with WindowDesign::connectItems
    QAction* N9 = nullptr;
    QAction* N10 = nullptr;
    QAction* N5;
    QMenu* N2;
    QActionGroup* ViewItems;
    QAction* N6;
    QAction* N7;
    QAction* N8;
    QAction* N3;

    // Open the maker's web site and a new mail to the maker (About box).
    QAction* BrowseURL1;
    QAction* BrowseURL2;

    // The polling timer, 200 ms, stopped until a connect starts it; only
    // with WindowDesign::pollingTimer.
    QTimer* Timer2 = nullptr;

signals:
    // AppMessage received the link's notification for a read of `object`
    // starting at `offset`.
    void ObjectRead(std::uint16_t object, std::uint16_t offset);

protected:
    // Builds the window of `design` without a link object.
    TForm1(const WindowDesign& design, QWidget* parent);

    // The two ways of Button1Click (session_control.cpp).
    virtual void Connect();
    virtual void Disconnect();
    // The steps of the Settings view's selection: check N8, show Panel6
    // alone, centre GroupBox3.
    void ShowSettingsView();
    // The window's side of a complete connect: the port box disabled, N4
    // disabled and N9 enabled, Button1 "Отключить", and the Settings view
    // entered again when it is current.
    void ShowConnected();
    // And of a disconnect: an open calibration dialog closes unaccepted; the
    // port box, N4, N9 and Button1 as before the connect; "Отключен".
    void ShowDisconnected();
    // The rows of the four live lists with their captions, values empty.
    void CreateListRows();
    // The minimum outer size of 800 x 600; with `atMinimumSize` the window
    // takes that size. Then it is placed in the middle of the desktop.
    void PlaceOnDesktop(bool atMinimumSize);
    void SetUpGraph();
    TForm2* CalibrationDialog() const { return calibrationDialog; }

    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    // AppMessage, the application's event hook: hands read notifications
    // addressed to this window on; never consumes an event.
    void AppMessage(QObject* watched, QEvent* event);
    // Builds the Settings view on its controls (main_form_settings.cpp).
    void SetUpSettingsView();

    // The dispatch of read notifications (dispatch.cpp).
    void Dispatch(std::uint16_t object, std::uint16_t offset);
    void ShowSettingsValue(std::uint16_t object, std::uint16_t offset);
    void ShowGaugeValue(std::uint16_t object, std::uint16_t offset);
    // The Information view graph.
    void AppendSample(int channel, double value);
    void ResetGraphTimes();

    // The connection watchdog's tick divider and the link's frame count at
    // its last check.
    std::int16_t watchdogDivider = 0;
    std::uint32_t watchdogLastCount = 0;

    // Building the controls (main_form_build.cpp).
    void BuildWindow(const WindowDesign& design);
    void BuildConnectionBar(const WindowDesign& design);
    void BuildInformationView();
    void BuildErrorsView();
    void BuildSettingsView(const WindowDesign& design);
    void BuildMenu(const WindowDesign& design);

    // The queued link object; null in a window built without one.
    CSock* sock = nullptr;
    std::shared_ptr<NotificationTarget> notificationTarget;
    // "Обновить" and "Сброс ошибок"; a failed refresh disconnects through Button1.
    std::unique_ptr<ErrorsView> errorsView;
    TForm3* aboutBox = nullptr;
    std::unique_ptr<SettingsView> settingsView;
    QPointer<TForm2> calibrationDialog;
    std::function<QStringList()> portSource;
    QLabel* statusText = nullptr;
    // The options record, one buffer for the whole run: all zeros until read.
    OptionsRecord options{};
};

}  // namespace varnok
