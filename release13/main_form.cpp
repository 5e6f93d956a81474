#include "release13/main_form.h"

#include <QMetaObject>

#include "link/device_path.h"
#include "livedata/dispatch_table.h"
#include "livedata/live_lists.h"
#include "livedata/session_text.h"
#include "livedata/value_text.h"

namespace varnok::release13 {

namespace {

// The Errors view's requests on the synchronous link object.
FaultRequests SyncRequests(CSock& sock) {
    return FaultRequests{
        [&sock](const DataObject& object) {
            return sock.ReadObject(object.object, object.offset, ValueBuffer(object),
                                   object.length);
        },
        [&sock] { return sock.sessionOpen.load() != 0; },
        [&sock] { sock.ClearFaults(); },
    };
}

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The status bar after a connect: the unit's identification, decoded from
// its code page, or why there is no session.
QString ConnectText(const Connection& connection) {
    if (connection.State() != ConnectionState::Connected) {
        return Text(kConnectFailedText);
    }
    return Text(kConnectedText) + Text(connection.identified
                                           ? Cp1251ToUtf8(connection.identification)
                                           : std::string(kUnknownDevice));
}

}  // namespace

TForm1::TForm1(CSock& link, Clock& pauses, QWidget* parent)
    : varnok::TForm1(kRelease13Window, parent),
      sock(link),
      clock(pauses),
      // Called on the polling thread: only a queued call crosses over. It
      // is dropped if the window is gone by the time it would run.
      connection(link, pauses,
                 [this] {
                     const std::uint64_t lost = sessionNumber.load();
                     QMetaObject::invokeMethod(
                         this, [this, lost] { PollingLostTheUnit(lost); }, Qt::QueuedConnection);
                 }),
      cycleSource([this] { return connection.Polling().TakeCycle(); }) {
    // FormCreate: no event hook, no notifications, and the list rows are
    // part of the window's design.
    PageControl2->setCurrentIndex(0);
    CenterSettingsGroup();
    CreateListRows();
    ShowCalibrationState(0);
    ShowCalibrationState(1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(10);
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

    errorsView =
        std::make_unique<ErrorsView>(*ListView1, SyncRequests(link), [this] { UnitLost(); });
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(Button7, &QPushButton::clicked, this, &TForm1::Button7Click);
    connect(CheckBox5, &QCheckBox::clicked, this, &TForm1::CheckBox5Click);
}

TForm1::~TForm1() {
    Timer1->stop();
}

void TForm1::SetCycleSource(CycleSource source) {
    cycleSource = std::move(source);
}

void TForm1::FormShow() {
    SetUnitControls(false);
    SetUpGraph();
    // No options: the window opens at its design size.
    PlaceOnDesktop(false);
    UpdateGraphArea();
    RedrawGraph(true);
}

void TForm1::FormResize() {
    CenterSettingsGroup();
    UpdateGraphArea();
}

void TForm1::FormPaint() {
    RedrawGraph(true);
}

void TForm1::FormClose() {
    Timer1->stop();
    connection.Close();
}

void TForm1::Connect() {
    sessionNumber.fetch_add(1);
    const int connected =
        connection.Connect(DevicePathForPort(ComboBox1->currentText().toStdString()));
    SetStatusText(ConnectText(connection));
    if (connected == 0) {
        return;
    }
    firmwareVersion = connection.firmwareVersion;
    // The engine totals, read once for the whole session.
    ShowRowValue(ListView2, 0, QString::fromStdString(IntegerText(connection.engineHours)));
    ShowRowValue(ListView2, 1, QString::fromStdString(IntegerText(connection.engineRevolutions)));

    sinceLastCycle = 0;
    Timer1->start();
    isConnected = 1;
    SetUnitControls(true);
    ShowConnected();
}

void TForm1::Disconnect() {
    isConnected = 0;
    Timer1->stop();
    // Without stop requests once the unit has been found lost.
    connection.Disconnect();
    SetUnitControls(false);
    ShowDisconnected();
}

void TForm1::PollingLostTheUnit(std::uint64_t lostSession) {
    // The user may have disconnected meanwhile, or even connected again: a
    // late hand-off must neither connect nor end a later session.
    if (lostSession == sessionNumber.load() && isConnected != 0) {
        Button1Click();
    }
}

void TForm1::UnitLost() {
    connection.Polling().pollThreadEnded.store(true);
    if (isConnected != 0) {
        Button1Click();
    }
}

void TForm1::StopPolling() {
    Timer1->stop();
    connection.Polling().Stop();
}

void TForm1::StartPolling() {
    if (connection.Polling().Start()) {
        Timer1->start();
    }
}

void TForm1::SetUnitControls(bool on) {
    for (QWidget* control : {static_cast<QWidget*>(Button2), static_cast<QWidget*>(Button3),
                             static_cast<QWidget*>(Button4), static_cast<QWidget*>(CheckBox5)}) {
        control->setEnabled(on);
    }
    for (const SettingsField& field : kSettingsFields) {
        Control(field.control)->setEnabled(on && fieldRead[IndexOf(field.control)]);
    }
    CheckBox5->setChecked(fieldRead[IndexOf(SettingsControl::Button7)]);
}

QWidget* TForm1::Control(SettingsControl control) const {
    switch (control) {
        case SettingsControl::Edit1:
            return Edit1;
        case SettingsControl::Edit2:
            return Edit2;
        case SettingsControl::ComboBox2:
            return ComboBox2;
        case SettingsControl::ComboBox3:
            return ComboBox3;
        case SettingsControl::CheckBox1:
            return CheckBox1;
        case SettingsControl::CheckBox2:
            return CheckBox2;
        case SettingsControl::CheckBox3:
            return CheckBox3;
        case SettingsControl::CheckBox4:
            return CheckBox4;
        case SettingsControl::Button5:
            return Button5;
        case SettingsControl::Button7:
            return Button7;
        case SettingsControl::Edit3:
            return Edit3;
        case SettingsControl::Edit4:
            return Edit4;
        case SettingsControl::Edit5:
            return Edit5;
        case SettingsControl::Edit7:
            return Edit7;
        case SettingsControl::Edit6:
            return Edit6;
    }
    return nullptr;
}

void TForm1::Timer1Timer() {
    sinceLastCycle += 0.01;
    if (const std::optional<CycleValues> cycle = cycleSource()) {
        ShowCycle(*cycle);
        sinceLastCycle = 0;
    }
}

void TForm1::ShowCycle(const CycleValues& cycle) {
    // The cycle's reads go where the notifications of the 1.4 window's
    // reads go: list rows, the switch and output lists, graph channels.
    std::array<double, InformationGraph::kChannels> samples{};
    for (const DataObject* read : PollCycle()) {
        const DispatchRow* row = FindDispatchRow(read->object, read->offset);
        if (row == nullptr) {
            continue;
        }
        switch (row->target) {
            case DispatchTarget::SensorRow:
                ShowRowValue(ListView5, row->row, ValueText(*read, cycle.Unsigned(*read)));
                break;
            case DispatchTarget::Switches:
                ShowBitRows(ListView3, kSwitchRows, cycle.Unsigned(*read));
                break;
            case DispatchTarget::Outputs:
                ShowBitRows(ListView4, kOutputRows, cycle.Unsigned(*read));
                break;
            default:
                break;
        }
        if (row->graphChannel >= 0) {
            samples[static_cast<std::size_t>(row->graphChannel)] =
                Scaled(cycle.Signed(*read), read->scale);
        }
    }
    informationGraph.AppendCycle(samples, sinceLastCycle);
    RedrawGraph(false);
}

void TForm1::Button2Click() {
    StopPolling();
    SetUnitControls(false);
    // A block that cannot be read has ended the session (the view's
    // disconnect action).
    if (!errorsView->RefreshFaultList()) {
        return;
    }
    SetUnitControls(true);
    StartPolling();
}

void TForm1::Button3Click() {
    StopPolling();
    SetUnitControls(false);
    errorsView->Button3Click();
    if (sock.sessionOpen.load() == 0) {
        return;
    }
    SetUnitControls(true);
    StartPolling();
}

}  // namespace varnok::release13
