// Building the main window's controls: names, captions, places and sizes.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QVBoxLayout>

#include "faults/errors_panel.h"
#include "livedata/data_objects.h"
#include "shell/browse_url.h"
#include "shell/fonts.h"
#include "shell/list_view.h"
#include "shell/main_form.h"
#include "shell/program_info.h"

namespace varnok {

namespace {

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QFrame* MakePanel(QFrame* panel, const char* name, bool bevel) {
    panel->setObjectName(name);
    // A panel is opaque: the graph surface behind the other views must not
    // show through.
    panel->setAutoFillBackground(true);
    if (bevel) {
        panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    } else {
        panel->setFrameStyle(QFrame::NoFrame);
    }
    return panel;
}

QLabel* MakeLabel(const char* name, const QString& text, QWidget* buddy) {
    auto* label = Named(new QLabel(text), name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(buddy);
    return label;
}

QLineEdit* MakeEdit(const char* name, int width) {
    auto* edit = Named(new QLineEdit, name);
    edit->setFixedWidth(width);
    return edit;
}

QLineEdit* MakeReadOnlyEdit(const char* name, int width) {
    QLineEdit* edit = MakeEdit(name, width);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus);
    QPalette grey = edit->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Window));
    edit->setPalette(grey);
    return edit;
}

constexpr int kFieldWidth = 90;

// One grid cell holding `left` at its left and `right`, if any, at its right.
QWidget* SideBySide(QWidget* left, QWidget* right) {
    auto* cell = new QWidget;
    auto* layout = new QHBoxLayout(cell);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(left);
    layout->addStretch(1);
    if (right != nullptr) {
        layout->addWidget(right);
    }
    return cell;
}

// The caption of a setting is its data object's meaning.
QString CaptionOf(const DataObject& object) {
    return QString::fromUtf8(object.meaning);
}

}  // namespace

void TForm1::BuildWindow(const WindowDesign& design) {
    setObjectName("Form1");
    setWindowTitle(design.caption);
    setFont(WindowFont());
    resize(design.width, design.height);

    ClientArea = Named(new AlignPanel(this), "ClientArea");
    setCentralWidget(ClientArea);

    BuildConnectionBar(design);
    BuildInformationView();
    BuildErrorsView();
    BuildSettingsView(design);
    BuildMenu(design);

    StatusBar1 = Named(new QStatusBar(this), "StatusBar1");
    statusText = new QLabel("Отключен");
    StatusBar1->addWidget(statusText, 1);
    setStatusBar(StatusBar1);

    if (design.pollingTimer) {
        Timer2 = Named(new QTimer(this), "Timer2");
        Timer2->setInterval(200);
        Timer2->setTimerType(Qt::PreciseTimer);
    }

    BrowseURL1 = Named(new QAction(this), "BrowseURL1");
    BrowseURL1->setData(QString(kMakerSite));
    BrowseURL2 = Named(new QAction(this), "BrowseURL2");
    BrowseURL2->setData(QString("mailto:") + kMakerMail);
    for (QAction* browse : {BrowseURL1, BrowseURL2}) {
        connect(browse, &QAction::triggered, this,
                [browse] { OpenAddress(browse->data().toString()); });
    }

    // Group captions sit on the frame's top line, as the control positions
    // inside the groups expect: the frame starts half a caption down, not
    // below the caption. Set once the controls exist: a style sheet set
    // before would give controls made later the application's font.
    setStyleSheet(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 7px; padding: 0px 2px; background-color: palette(window); }");
}

void TForm1::BuildConnectionBar(const WindowDesign& design) {
    Panel2 = MakePanel(new QFrame, "Panel2", true);
    Panel2->setMinimumSize(200, 64);
    Panel2->resize(0, 64);
    ClientArea->Add(Panel2, Align::Top);

    GroupBox1 = Named(new QGroupBox("Подключение", Panel2), "GroupBox1");
    GroupBox1->setGeometry(7, 3, 242, 53);
    ComboBox1 = Named(new PortComboBox(GroupBox1), "ComboBox1");
    ComboBox1->setEditText(kDefaultPortName);
    ComboBox1->setGeometry(26, 19, 91, ComboBox1->sizeHint().height());
    ComboBox1->setAccessibleName("Порт");
    Button1 = Named(new QPushButton("Подключить", GroupBox1), "Button1");
    Button1->setGeometry(design.button1Left, 15, 91, 30);

    GroupBox2 = Named(new QGroupBox("Окно", Panel2), "GroupBox2");
    GroupBox2->setGeometry(255, 3, 332, 53);
    ViewButtons = new QButtonGroup(this);
    ViewButtons->setExclusive(true);
    auto makeViewButton = [this](const char* name, const QString& caption, int left) {
        auto* button = Named(new QToolButton(GroupBox2), name);
        button->setText(caption);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setGeometry(left, 15, 91, 30);
        ViewButtons->addButton(button);
        return button;
    };
    SpeedButton1 = makeViewButton("SpeedButton1", "Информация", 23);
    SpeedButton2 = makeViewButton("SpeedButton2", "Ошибки", 120);
    SpeedButton3 = makeViewButton("SpeedButton3", "Настройка", 217);
    SpeedButton1->setChecked(true);
}

void TForm1::BuildInformationView() {
    Panel1 = new AlignPanel;
    MakePanel(Panel1, "Panel1", true);
    Panel1->resize(321, 0);
    ClientArea->Add(Panel1, Align::Left);

    PageControl2 = Named(new QTabWidget, "PageControl2");
    PageControl2->resize(0, 250);
    Panel1->Add(PageControl2, Align::Bottom);
    auto addPage = [this](const char* pageName, const QString& caption, const char* listName) {
        auto* page = Named(new QWidget, pageName);
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        QTreeWidget* list =
            MakeListView(page, listName, {{"Параметр", 240}, {"Значение", 65}}, true);
        layout->addWidget(list);
        PageControl2->addTab(page, caption);
        return std::pair{page, list};
    };
    std::tie(TabSheet6, ListView2) = addPage("TabSheet6", "Двигатель", "ListView2");
    std::tie(TabSheet7, ListView3) = addPage("TabSheet7", "Переключатели", "ListView3");
    std::tie(TabSheet8, ListView4) = addPage("TabSheet8", "Выходы", "ListView4");

    Splitter3 = Named(new SplitterHandle(Align::Bottom, 4, Panel1), "Splitter3");
    ListView5 = MakeListView(Panel1, "ListView5", {{"Датчик", 240}, {"Значение", 65}}, true);
    Panel1->Add(ListView5, Align::Client);

    Splitter1 = Named(new SplitterHandle(Align::Left, 4, ClientArea), "Splitter1");

    // Made before the other views' panels, so that they cover it.
    GraphSurface = Named(new GraphView(ClientArea), "GraphArea");
    informationGraph.AttachView(GraphSurface);
    GraphSurface->setBackgroundRole(QPalette::Base);
    GraphSurface->setAutoFillBackground(true);
}

void TForm1::BuildErrorsView() {
    const ErrorsPanel errors = CreateErrorsPanel(ClientArea);
    Panel5 = errors.Panel5;
    Panel3 = errors.Panel3;
    Button2 = errors.Button2;
    Button3 = errors.Button3;
    ListView1 = errors.ListView1;
    Panel5->setAutoFillBackground(true);
    ClientArea->Add(Panel5, Align::Client);
}

void TForm1::BuildSettingsView(const WindowDesign& design) {
    Panel6 = MakePanel(new QFrame, "Panel6", true);
    Panel6->hide();
    ClientArea->Add(Panel6, Align::Client);

    GroupBox3 = Named(new QGroupBox(Panel6), "GroupBox3");
    GroupBox3->resize(641, 446);
    auto* grid = new QGridLayout(GroupBox3);
    grid->setContentsMargins(16, 14, 16, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(5);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);

    Button5 = Named(new QPushButton("Калибровка..."), "Button5");
    Button5->setFixedWidth(kFieldWidth);
    Label7 = MakeLabel("Label7", CaptionOf(objects::kPedal1Enabled), Button5);
    Button7 = Named(new QPushButton("Калибровка..."), "Button7");
    Button7->setFixedWidth(kFieldWidth);
    Label14 = MakeLabel("Label14", CaptionOf(objects::kPedal2Enabled), Button7);
    CheckBox5 = Named(new QCheckBox("включить"), "CheckBox5");
    Edit1 = MakeEdit("Edit1", kFieldWidth);
    Label1 = MakeLabel("Label1", CaptionOf(objects::kTachographConstant), Edit1);
    Edit2 = MakeEdit("Edit2", kFieldWidth);
    Label2 = MakeLabel("Label2", CaptionOf(objects::kSpeedLimiterOn), Edit2);
    QWidget* speedLimiterSwitch = nullptr;
    if (design.speedLimiterList) {
        ComboBox2 = Named(new QComboBox, "ComboBox2");
        ComboBox2->addItems({"Включить", "Выключить"});
        ComboBox2->setCurrentIndex(0);
        ComboBox2->setAccessibleName(Label2->text());
        speedLimiterSwitch = SideBySide(ComboBox2, nullptr);
    } else {
        CheckBox6 = Named(new QCheckBox("включить"), "CheckBox6");
        speedLimiterSwitch = CheckBox6;
    }
    QWidget* pedal1State = nullptr;
    QWidget* pedal2Row = CheckBox5;
    if (design.calibrationState) {
        Label8 = Named(new QLabel, "Label8");
        Label15 = Named(new QLabel, "Label15");
        pedal1State = Label8;
        // The state of the calibration, then the channel's switch at the
        // right-hand side.
        pedal2Row = SideBySide(Label15, CheckBox5);
    }
    ComboBox3 = Named(new QComboBox, "ComboBox3");
    ComboBox3->setEditable(true);
    ComboBox3->setInsertPolicy(QComboBox::NoInsert);
    ComboBox3->addItems({"2.08", "2.34", "3.32", "3.65", "4.00"});
    ComboBox3->setCurrentIndex(0);
    ComboBox3->setFixedWidth(kFieldWidth);
    Label3 = MakeLabel("Label3", CaptionOf(objects::kTachometerRatio), ComboBox3);

    int row = 0;
    auto addRow = [&](QLabel* label, QWidget* control, QWidget* beside = nullptr) {
        grid->addWidget(label, row, 0);
        grid->addWidget(control, row, 1);
        if (beside != nullptr) {
            grid->addWidget(beside, row, 2);
        }
        ++row;
    };
    addRow(Label7, Button5, pedal1State);
    addRow(Label14, Button7, pedal2Row);
    addRow(Label1, Edit1);
    addRow(Label2, Edit2, speedLimiterSwitch);
    addRow(Label3, ComboBox3);

    CheckBox1 = Named(new QCheckBox(CaptionOf(objects::kDoorPedalLock)), "CheckBox1");
    CheckBox2 = Named(new QCheckBox(CaptionOf(objects::kCabSpeedControl)), "CheckBox2");
    CheckBox3 = Named(new QCheckBox(CaptionOf(objects::kEngineBaySpeedControl)), "CheckBox3");
    CheckBox4 = Named(new QCheckBox(CaptionOf(objects::kCanSetting)), "CheckBox4");
    auto* switches = new QGridLayout;
    switches->setHorizontalSpacing(24);
    switches->addWidget(CheckBox1, 0, 0);
    switches->addWidget(CheckBox2, 1, 0);
    switches->addWidget(CheckBox3, 0, 1);
    switches->addWidget(CheckBox4, 1, 1);
    grid->addLayout(switches, row++, 0, 1, 3, Qt::AlignHCenter);

    GroupBox8 = Named(new QGroupBox("Настройка холостого хода"), "GroupBox8");
    auto* idle = new QGridLayout(GroupBox8);
    idle->setHorizontalSpacing(8);
    idle->setVerticalSpacing(5);
    idle->setColumnStretch(0, 1);
    struct IdleField {
        QLabel*& label;
        const char* labelName;
        QLineEdit*& edit;
        const char* editName;
        const DataObject& object;
        bool readOnly;
        bool present;
        const char* caption;  // null: the object's own
    };
    const IdleField idleFields[] = {
        {Label9, "Label9", Edit3, "Edit3", objects::kSpeedGainKd, false, true, nullptr},
        {Label10, "Label10", Edit4, "Edit4", objects::kWarmIdleSpeed, false, true, design.label10},
        {Label11, "Label11", Edit5, "Edit5", objects::kWarmPedalCorrection, false, true,
         design.label11},
        {Label4, "Label4", Edit8, "Edit8", objects::kRackGainKp, false, design.kpField, nullptr},
        {Label12, "Label12", Edit6, "Edit6", objects::kIdleSpeed, true, true, nullptr},
        {Label13, "Label13", Edit7, "Edit7", objects::kPedalCorrection, true, true, nullptr},
    };
    int idleRow = 0;
    for (const IdleField& field : idleFields) {
        if (!field.present) {
            continue;
        }
        field.edit = field.readOnly ? MakeReadOnlyEdit(field.editName, kFieldWidth)
                                    : MakeEdit(field.editName, kFieldWidth);
        const QString caption =
            field.caption != nullptr ? QString(field.caption) : CaptionOf(field.object);
        field.label = MakeLabel(field.labelName, caption, field.edit);
        idle->addWidget(field.label, idleRow, 0);
        idle->addWidget(field.edit, idleRow, 1);
        ++idleRow;
    }
    grid->addWidget(GroupBox8, row++, 0, 1, 3);

    Button4 = Named(new QPushButton("Сохранить в блоке"), "Button4");
    Button4->setMinimumSize(160, 30);
    grid->addWidget(Button4, row++, 0, 1, 3, Qt::AlignHCenter);
    grid->setRowStretch(row, 1);
}

void TForm1::BuildMenu(const WindowDesign& design) {
    auto shortcut = [&design](QAction* item, const QKeySequence& keys) {
        if (design.shortcuts) {
            item->setShortcut(keys);
        }
    };
    N1 = Named(menuBar()->addMenu("Файл"), "N1");
    if (design.connectItems) {
        N4 = Named(N1->addAction("Подключить ЭСУ"), "N4");
        shortcut(N4, QKeySequence(Qt::ALT | Qt::Key_C));
        N9 = Named(N1->addAction("Отключить ЭСУ"), "N9");
        shortcut(N9, QKeySequence(Qt::ALT | Qt::Key_D));
        N9->setEnabled(false);
        N10 = Named(N1->addSeparator(), "N10");
    }
    N5 = Named(N1->addAction("Выход"), "N5");
    shortcut(N5, QKeySequence(Qt::ALT | Qt::Key_F4));

    N2 = Named(menuBar()->addMenu("Окно"), "N2");
    ViewItems = new QActionGroup(this);
    ViewItems->setExclusive(true);
    auto addViewItem = [this, &shortcut](const char* name, const QString& caption, Qt::Key key) {
        QAction* item = Named(N2->addAction(caption), name);
        shortcut(item, QKeySequence(key));
        item->setCheckable(true);
        ViewItems->addAction(item);
        return item;
    };
    N6 = addViewItem("N6", "Информация", Qt::Key_F1);
    N7 = addViewItem("N7", "Ошибки", Qt::Key_F2);
    N8 = addViewItem("N8", "Настройка", Qt::Key_F3);
    N6->setChecked(true);

    N3 = Named(menuBar()->addAction("О программе"), "N3");
}

}  // namespace varnok
