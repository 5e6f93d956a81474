#include "shell/main_form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

#include "livedata/list_rows.h"
#include "shell/about_box.h"
#include "shell/list_view.h"
#include "shell/object_read_event.h"

namespace varnok {

namespace {

QStringList Captions(std::span<const DataObject* const> rows) {
    QStringList captions;
    for (const DataObject* row : rows) {
        captions << QString::fromUtf8(row->meaning);
    }
    return captions;
}

QStringList Captions(std::span<const BitRow> rows) {
    QStringList captions;
    for (const BitRow& row : rows) {
        captions << QString::fromUtf8(row.caption.data(),
                                      static_cast<qsizetype>(row.caption.size()));
    }
    return captions;
}

}  // namespace

TForm1::TForm1(CSock& link, QWidget* parent) : TForm1(kRelease14Window, parent) {
    sock = &link;
    connect(N4, &QAction::triggered, this, &TForm1::N4Click);
    connect(N9, &QAction::triggered, this, &TForm1::N9Click);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);

    errorsView = std::make_unique<ErrorsView>(*ListView1, link, [this] { Button1->click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { errorsView->Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { errorsView->Button3Click(); });
    SetUpSettingsView();

    FormCreate();
}

TForm1::TForm1(const WindowDesign& design, QWidget* parent)
    : QMainWindow(parent),
      informationGraph([] { return SteadyClock().TickCount(); }, design.graphHistory),
      notificationTarget(std::make_shared<NotificationTarget>(this)),
      portSource(SystemPortNames) {
    BuildWindow(design);

    connect(ClientArea, &AlignPanel::Resized, this, &TForm1::FormResize);
    connect(ClientArea, &AlignPanel::Painted, this, &TForm1::FormPaint);
    connect(Splitter1, &SplitterHandle::Moved, this, &TForm1::Splitter1Moved);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TForm1::SpeedButton3Click);
    connect(N3, &QAction::triggered, this, &TForm1::N3Click);
    connect(N5, &QAction::triggered, this, &TForm1::N5Click);
    connect(N6, &QAction::triggered, this, &TForm1::N6Click);
    connect(N7, &QAction::triggered, this, &TForm1::N7Click);
    connect(N8, &QAction::triggered, this, &TForm1::N8Click);
    connect(ComboBox1, &PortComboBox::DropDown, this, &TForm1::ComboBox1DropDown);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
}

TForm1::~TForm1() {
    // A notification the worker thread is about to post must not reach a
    // window that is gone.
    notificationTarget->Detach();
    if (sock != nullptr) {
        sock->SetNotifier({});
    }
    qApp->removeEventFilter(this);
}

void TForm1::SetAboutBox(TForm3* box) {
    aboutBox = box;
}

void TForm1::SetPortSource(std::function<QStringList()> source) {
    portSource = std::move(source);
}

void TForm1::FormCreate() {
    qApp->installEventFilter(this);
    // Reals are formatted and parsed by the program's own code with "." as
    // the decimal separator, never through the user's locale; there is no
    // program-wide setting to make.
    PageControl2->setCurrentIndex(0);
    CreateListRows();
    sock->SetNotifier(MakeReadNotifier(notificationTarget));
    CenterSettingsGroup();
}

void TForm1::CreateListRows() {
    SetRowCaptions(ListView2, Captions(kEngineRows));
    SetRowCaptions(ListView3, Captions(kSwitchRows));
    SetRowCaptions(ListView4, Captions(kOutputRows));
    SetRowCaptions(ListView5, Captions(kSensorRows));
}

void TForm1::FormShow() {
    if (ReadOptionsRecord(options)) {
        ComboBox1->setEditText(PortNameText(options));
    } else {
        ComboBox1->setEditText(kDefaultPortName);
    }
    DisableUnitControls();
    SetUpGraph();
    // Always 800 x 600, wherever and however large the window was when it closed.
    PlaceOnDesktop(true);
    UpdateGraphArea();
}

void TForm1::PlaceOnDesktop(bool atMinimumSize) {
    // The frame is known only once the window system has decorated the
    // window; until then the size is the inside.
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize minimum(800, 600);
    setMinimumSize(minimum - frame);
    if (atMinimumSize) {
        resize(minimum - frame);
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect placed(QPoint(), size() + frame);
        placed.moveCenter(screen->availableGeometry().center());
        move(placed.topLeft());
    }
}

void TForm1::SetUpGraph() {
    informationGraph.SetUpGraph();
    graphArea = GraphArea{0, 0, 400, 300};
}

void TForm1::FormResize() {
    CenterSettingsGroup();
    UpdateGraphArea();
    RedrawGraph(true);
}

void TForm1::FormPaint() {
    if (SpeedButton1->isChecked()) {
        RedrawGraph(true);
    }
}

void TForm1::Splitter1Moved() {
    UpdateGraphArea();
    RedrawGraph(true);
}

void TForm1::FormClose() {
    Timer2->stop();
    if (sock->sessionOpen) {
        sock->CloseSession();
    }
    StorePortNameText(options, ComboBox1->currentText());
    StoreWindowPosition(options, x(), y());
    WriteOptionsRecord(options);
}

void TForm1::UpdateGraphArea() {
    graphArea = ComputeGraphArea(Splitter1->x(), Splitter1->width(), ClientArea->width(),
                                 Panel1->width(), Panel1->y(), Panel1->height());
    informationGraph.SetGraphArea(graphArea.left, graphArea.top, graphArea.width, graphArea.height);
}

void TForm1::CenterSettingsGroup() {
    const Position centre = CenteredPosition(Panel6->width(), Panel6->height(), GroupBox3->width(),
                                             GroupBox3->height());
    GroupBox3->move(centre.left, centre.top);
}

void TForm1::RedrawGraph(bool rebuild) {
    informationGraph.RedrawGraph(rebuild);
}

void TForm1::DisableUnitControls() {
    const std::initializer_list<QWidget*> controls{
        Button2,   Button3,   Button4,   Button5,   Button7, CheckBox1, CheckBox2, CheckBox3,
        CheckBox4, CheckBox5, CheckBox6, ComboBox3, Edit1,   Edit2,     Edit3,     Edit4,
        Edit5,     Edit6,     Edit7,     Edit8,     Label1,  Label2,    Label3,    Label4,
        Label7,    Label9,    Label10,   Label11,   Label12, Label13,   Label14};
    for (QWidget* control : controls) {
        control->setEnabled(false);
    }
}

void TForm1::SpeedButton1Click() {
    N6->setChecked(true);
    Panel5->hide();
    Panel6->hide();
    Panel1->show();
    Splitter1->show();
    // Docks the splitter again directly right of Panel1.
    ClientArea->SetAlign(Splitter1, Align::None);
    ClientArea->SetAlign(Splitter1, Align::Left);
    UpdateGraphArea();
}

void TForm1::SpeedButton2Click() {
    N7->setChecked(true);
    Panel1->hide();
    Splitter1->hide();
    Panel6->hide();
    Panel5->show();
}

void TForm1::SpeedButton3Click() {
    ShowSettingsView();
    calibrationAccepted = {false, false};
}

void TForm1::ShowSettingsView() {
    N8->setChecked(true);
    Panel1->hide();
    Splitter1->hide();
    Panel5->hide();
    Panel6->show();
    CenterSettingsGroup();
}

void TForm1::N6Click() {
    SpeedButton1->setChecked(true);
    SpeedButton1Click();
}

void TForm1::N7Click() {
    SpeedButton2->setChecked(true);
    SpeedButton2Click();
}

void TForm1::N8Click() {
    SpeedButton3->setChecked(true);
    SpeedButton3Click();
}

void TForm1::N3Click() {
    if (aboutBox != nullptr) {
        aboutBox->exec();
    }
}

void TForm1::N4Click() {
    Button1->click();
}

void TForm1::N9Click() {
    Button1->click();
}

void TForm1::N5Click() {
    close();
}

void TForm1::ComboBox1DropDown() {
    ComboBox1->FillList(portSource());
}

void TForm1::SetStatusText(const QString& text) {
    statusText->setText(text);
}

QString TForm1::StatusText() const {
    return statusText->text();
}

void TForm1::AppMessage(QObject* watched, QEvent* event) {
    // Notifications that arrive after a disconnect are dropped, although
    // their value buffers were filled.
    if (event->type() == kObjectReadEvent && watched == this && isConnected != 0) {
        const auto* read = static_cast<const ObjectReadEvent*>(event);
        const std::uint16_t object = read->Object();
        const std::uint16_t offset = read->Offset();
        Dispatch(object, offset);
        emit ObjectRead(object, offset);
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    AppMessage(watched, event);
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::showEvent(QShowEvent* event) {
    // Shown by the program, not restored from the taskbar.
    if (!event->spontaneous()) {
        FormShow();
    }
    QMainWindow::showEvent(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

}  // namespace varnok
