#include "settings/settings_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <initializer_list>

#include "livedata/live_lists.h"
#include "settings/settings_save.h"

namespace varnok {

namespace {

using namespace objects;

bool Is(const DataObject& object, std::uint16_t number, std::uint16_t offset) {
    return object.object == number && object.offset == offset;
}

void Enable(std::initializer_list<QWidget*> controls, bool enabled) {
    for (QWidget* control : controls) {
        control->setEnabled(enabled);
    }
}

// The character a key press types, as the design's KeyPress handlers see
// characters: Enter 13, Escape 27, backspace 8, Ctrl with a letter the
// letter's control code. Keys that type nothing (arrows, Home, End, Delete,
// Tab) give nothing and keep their usual effect.
std::optional<char16_t> TypedCharacter(const QKeyEvent& event) {
    switch (event.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Delete:
            return std::nullopt;
        default:
            break;
    }
    if (event.modifiers().testFlag(Qt::ControlModifier)) {
        if (event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z) {
            return static_cast<char16_t>(event.key() - Qt::Key_A + 1);
        }
        return std::nullopt;
    }
    const QString text = event.text();
    if (text.isEmpty()) {
        return std::nullopt;
    }
    return text.front().unicode();
}

}  // namespace

SettingsControls FindSettingsControls(const QWidget& group) {
    SettingsControls c;
    auto find = [&group](auto*& control, const char* name) {
        control = group.findChild<std::remove_reference_t<decltype(*control)>*>(name);
    };
    find(c.Label7, "Label7");
    find(c.Button5, "Button5");
    find(c.Label14, "Label14");
    find(c.Button7, "Button7");
    find(c.CheckBox5, "CheckBox5");
    find(c.Label1, "Label1");
    find(c.Edit1, "Edit1");
    find(c.Label2, "Label2");
    find(c.Edit2, "Edit2");
    find(c.CheckBox6, "CheckBox6");
    find(c.Label3, "Label3");
    find(c.ComboBox3, "ComboBox3");
    find(c.CheckBox1, "CheckBox1");
    find(c.CheckBox2, "CheckBox2");
    find(c.CheckBox3, "CheckBox3");
    find(c.CheckBox4, "CheckBox4");
    find(c.Label9, "Label9");
    find(c.Edit3, "Edit3");
    find(c.Label10, "Label10");
    find(c.Edit4, "Edit4");
    find(c.Label11, "Label11");
    find(c.Edit5, "Edit5");
    find(c.Label4, "Label4");
    find(c.Edit8, "Edit8");
    find(c.Label12, "Label12");
    find(c.Edit6, "Edit6");
    find(c.Label13, "Label13");
    find(c.Edit7, "Edit7");
    find(c.Button4, "Button4");
    return c;
}

SettingsView::SettingsView(const SettingsControls& controls, CSock& link,
                           const std::uint16_t& version, Clock& pauses, QWidget* boxOwner)
    : c(controls),
      sock(link),
      firmwareVersion(version),
      clock(pauses),
      owner(boxOwner),
      fields{{
          {c.Edit1, c.Edit1, &kTachographConstant},
          {c.Edit2, c.Edit2, &kSpeedLimit},
          {c.ComboBox3, c.ComboBox3->lineEdit(), &kTachometerRatio},
          {c.Edit3, c.Edit3, &kSpeedGainKd},
          {c.Edit4, c.Edit4, &kWarmIdleSpeed},
          {c.Edit5, c.Edit5, &kWarmPedalCorrection},
          {c.Edit8, c.Edit8, &kRackGainKp},
      }},
      boxes{{
          {c.CheckBox1, &kDoorPedalLock},
          {c.CheckBox2, &kCabSpeedControl},
          {c.CheckBox3, &kEngineBaySpeedControl},
          {c.CheckBox4, &kCanSetting},
          {c.CheckBox5, &kPedal2Enabled},
          {c.CheckBox6, &kSpeedLimiterOn},
      }} {
    // Typed text stays as typed: an inline completion would fill in a list
    // item after the first digit and swallow the point typed next.
    c.ComboBox3->setCompleter(nullptr);
    for (const TextFieldControl& field : fields) {
        field.control->installEventFilter(this);
        if (field.edit != field.control) {
            // The combo box's own line edit takes the double clicks.
            field.edit->installEventFilter(this);
        }
    }
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        connect(boxes[i].box, &QCheckBox::clicked, this, [this, i] { Click(static_cast<Box>(i)); });
    }
    connect(c.Button4, &QPushButton::clicked, this, &SettingsView::Button4Click);
}

SettingsView::~SettingsView() {
    for (const TextFieldControl& field : fields) {
        field.control->removeEventFilter(this);
        field.edit->removeEventFilter(this);
    }
}

bool SettingsView::ShowValue(std::uint16_t object, std::uint16_t offset) {
    // The tachograph constant: the buffer keeps the unit's value, so each
    // answer is multiplied once, however many arrive in a row.
    if (Is(kTachographConstant, object, offset)) {
        Enable({c.Edit1, c.Label1}, true);
        c.Edit1->setText(QString::fromStdString(
            TachographText(LoadUnsigned16(kTachographConstant), firmwareVersion)));
        return true;
    }

    struct ShownText {
        const DataObject& object;
        QLineEdit* edit;
        QLabel* label;  // enabled with the field; null: the field's enabling lies elsewhere
    };
    const ShownText texts[] = {
        {kSpeedLimit, c.Edit2, nullptr},  // enabled by 1101, 0
        {kTachometerRatio, c.ComboBox3->lineEdit(), c.Label3},
        {kSpeedGainKd, c.Edit3, c.Label9},
        {kRackGainKp, c.Edit8, c.Label4},
        {kWarmIdleSpeed, c.Edit4, c.Label10},
        {kWarmPedalCorrection, c.Edit5, c.Label11},
        {kPedalCorrection, c.Edit7, c.Label13},
        {kIdleSpeed, c.Edit6, c.Label12},
    };
    for (const ShownText& shown : texts) {
        if (Is(shown.object, object, offset)) {
            if (shown.label != nullptr) {
                QWidget* control = shown.edit == c.ComboBox3->lineEdit()
                                       ? static_cast<QWidget*>(c.ComboBox3)
                                       : shown.edit;
                Enable({control, shown.label}, true);
            }
            shown.edit->setText(ValueText(shown.object));
            return true;
        }
    }

    // Flags: a box (if any) shows the value, and the controls that depend on
    // it follow. Only the speed limiter counts exactly 1 as on.
    struct ShownFlag {
        const DataObject& object;
        QCheckBox* box;
        bool onlyOne;
        QWidget* dependent[2];
    };
    const ShownFlag flags[] = {
        {kDoorPedalLock, c.CheckBox1, false, {}},
        {kCabSpeedControl, c.CheckBox2, false, {}},
        {kEngineBaySpeedControl, c.CheckBox3, false, {}},
        {kCanSetting, c.CheckBox4, false, {}},
        {kSpeedLimiterOn, c.CheckBox6, true, {c.Label2, c.Edit2}},
        {kPedal1Enabled, nullptr, false, {c.Label7, c.Button5}},
        {kPedal2Enabled, c.CheckBox5, false, {c.Label14, c.Button7}},
    };
    for (const ShownFlag& flag : flags) {
        if (!Is(flag.object, object, offset)) {
            continue;
        }
        const std::uint16_t value = LoadUnsigned16(flag.object);
        const bool on = flag.onlyOne ? value == 1 : value != 0;
        for (QWidget* dependent : flag.dependent) {
            if (dependent != nullptr) {
                dependent->setEnabled(on);
            }
        }
        if (flag.box != nullptr) {
            flag.box->setEnabled(true);
            flag.box->setChecked(on);
        }
        return true;
    }
    return false;
}

QString SettingsView::FieldText(TextField field) const {
    return fields[static_cast<std::size_t>(field)].edit->text();
}

void SettingsView::Write(const DataObject& object, std::uint16_t value) {
    // The value goes into the field's buffer, as the design keeps it, and
    // the request takes its own copy of the two bytes when it is queued.
    StoreUnsigned16(object, value);
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value & 0xFF),
                                   static_cast<std::uint8_t>(value >> 8)};
    sock.WriteObject(object.object, object.offset, bytes, 2, 0);
}

void SettingsView::ReadBack(const DataObject& object) {
    sock.ReadObject(object.object, object.offset, ValueBuffer(object), 2, 0);
}

void SettingsView::Exit(TextField field) {
    const DataObject& object = *fields[static_cast<std::size_t>(field)].object;
    const std::optional<std::uint16_t> value =
        FieldValue(RuleOf(field), FieldText(field).toStdString(), firmwareVersion);
    if (value) {
        Write(object, *value);
    }
    ReadBack(object);
}

void SettingsView::KeyPress(TextField field, char16_t& key) {
    if (key == 13) {
        Exit(field);
    } else if (key == 27) {
        ReadBack(*fields[static_cast<std::size_t>(field)].object);
    }
    key = FilterTypedCharacter(key, FieldText(field).contains(u'.')).value_or(0);
}

void SettingsView::Click(Box which) {
    const BoxControl& box = boxes[static_cast<std::size_t>(which)];
    Write(*box.object, box.box->isChecked() ? 1 : 0);
    ReadBack(*box.object);
}

void SettingsView::Button4Click() {
    SaveSettings(sock, clock, owner);
}

const SettingsView::TextFieldControl* SettingsView::FieldOf(const QObject* watched,
                                                            TextField& field) const {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (watched == fields[i].control || watched == fields[i].edit) {
            field = static_cast<TextField>(i);
            return &fields[i];
        }
    }
    return nullptr;
}

bool SettingsView::FilterKey(TextField field, QKeyEvent& event) {
    // Copying and selecting change nothing and are left to the control.
    if (event.matches(QKeySequence::Copy) || event.matches(QKeySequence::SelectAll)) {
        return false;
    }
    const std::optional<char16_t> typed = TypedCharacter(event);
    if (!typed) {
        return false;
    }
    char16_t key = *typed;
    KeyPress(field, key);
    if (key == *typed) {
        return false;
    }
    if (key != 0) {
        // A "," typed as ".".
        fields[static_cast<std::size_t>(field)].edit->insert(QString(QChar(key)));
    }
    return true;
}

bool SettingsView::eventFilter(QObject* watched, QEvent* event) {
    TextField field{};
    const TextFieldControl* control = FieldOf(watched, field);
    if (control == nullptr) {
        return false;
    }
    switch (event->type()) {
        case QEvent::FocusOut: {
            // Leaving the field for another control. The window losing
            // activation (a message box, another program), the combo box's
            // list opening or the menu bar taking the keys is not leaving.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (watched == control->control && reason != Qt::ActiveWindowFocusReason &&
                reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason) {
                Exit(field);
            }
            return false;
        }
        case QEvent::MouseButtonDblClick:
            if (watched == control->edit) {
                Exit(field);
            }
            return false;
        case QEvent::KeyPress:
            if (watched == control->control) {
                return FilterKey(field, *static_cast<QKeyEvent*>(event));
            }
            return false;
        default:
            return false;
    }
}

}  // namespace varnok
