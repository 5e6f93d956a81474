// The Settings view: shows the unit's adjustable settings as their answers
// arrive, writes each change the moment the user leaves a field (or presses
// Enter, or double-clicks it) and reads it straight back, so a field always
// ends up showing what the unit holds. "Сохранить в блоке" (Button4Click)
// stores the settings permanently in the unit (settings_save.h).
//
// Every read and write of a field is queued without waiting; the read-back's
// notification reaches ShowValue through the main window's dispatch and
// puts the unit's value into the control. A value the unit refuses, or one
// out of its field's range, is thus replaced without any message.
//
// The view installs itself as an event filter on its text fields: leaving a
// field (focus moving to another control, not the window losing
// activation), a double click and the key presses run the handlers below.
// Check boxes write on the user's clicks only. A box that an answer checks
// or unchecks does not write its new state back: QAbstractButton::clicked
// is not emitted for setChecked, and the unit already holds the value the
// box now shows, so a write would only repeat it.
//
// Main thread only. The controls, the link object, the firmware version,
// the clock and the owner window must outlive the view.
#pragma once

#include <QObject>
#include <array>
#include <cstdint>

#include "link/clock.h"
#include "link/csock.h"
#include "livedata/data_objects.h"
#include "settings/field_input.h"

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace varnok {

// The controls of the Settings view, by their design names.
struct SettingsControls {
    QLabel* Label7 = nullptr;
    QPushButton* Button5 = nullptr;
    QLabel* Label14 = nullptr;
    QPushButton* Button7 = nullptr;
    QCheckBox* CheckBox5 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QCheckBox* CheckBox6 = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    QCheckBox* CheckBox4 = nullptr;
    QLabel* Label9 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLabel* Label10 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLabel* Label11 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QLabel* Label12 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLabel* Label13 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QPushButton* Button4 = nullptr;
};

// The controls found below `group` by their objectNames; a control that is
// missing stays null, and the view must not be built on such a set.
SettingsControls FindSettingsControls(const QWidget& group);

class SettingsView : public QObject {
    Q_OBJECT

public:
    // The fields that write what the user typed, in the order of the view.
    using TextField = varnok::TextField;
    // The check boxes that write 1 or 0 when clicked.
    enum class Box { CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5, CheckBox6 };

    // `owner` is the window that owns the save's message boxes.
    SettingsView(const SettingsControls& controls, CSock& sock,
                 const std::uint16_t& firmwareVersion, Clock& clock, QWidget* owner);
    ~SettingsView() override;
    SettingsView(const SettingsView&) = delete;
    SettingsView& operator=(const SettingsView&) = delete;

    // Shows the answer to a read of (object, offset), whose value is already
    // in its value buffer. True when the pair belongs to this view; any
    // other pair is left alone.
    bool ShowValue(std::uint16_t object, std::uint16_t offset);

    // Leaving a field: compute the value of its text, write it when the
    // field's rule allows, and in every case read the field back.
    void Exit(TextField field);
    // One typed character: Enter runs Exit (the field keeps the focus),
    // Escape reads the field back, discarding the typing. Then the key
    // filter: `key` is set to the character to insert, or to 0 to drop it.
    void KeyPress(TextField field, char16_t& key);
    // Writes the box's state (1 checked, 0 not) and reads it back.
    void Click(Box box);

    void Edit1Exit() { Exit(TextField::Edit1); }
    void Edit2Exit() { Exit(TextField::Edit2); }
    void ComboBox3Exit() { Exit(TextField::ComboBox3); }
    void Edit3Exit() { Exit(TextField::Edit3); }
    void Edit4Exit() { Exit(TextField::Edit4); }
    void Edit5Exit() { Exit(TextField::Edit5); }
    void Edit8Exit() { Exit(TextField::Edit8); }
    void CheckBox1Click() { Click(Box::CheckBox1); }
    void CheckBox2Click() { Click(Box::CheckBox2); }
    void CheckBox3Click() { Click(Box::CheckBox3); }
    void CheckBox4Click() { Click(Box::CheckBox4); }
    void CheckBox5Click() { Click(Box::CheckBox5); }
    void CheckBox6Click() { Click(Box::CheckBox6); }

    // "Сохранить в блоке": the engine-stop handshake and the store. Holds the
    // main thread until the unit has answered.
    void Button4Click();

    // The rule of each text field, in TextField order.
    static const FieldRule& RuleOf(TextField field) { return FieldRuleOf(field); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TextFieldControl {
        QWidget* control;  // the QLineEdit, or the QComboBox
        QLineEdit* edit;   // the line edit holding the text
        const DataObject* object;
    };
    struct BoxControl {
        QCheckBox* box;
        const DataObject* object;
    };

    QString FieldText(TextField field) const;
    void ReadBack(const DataObject& object);
    void Write(const DataObject& object, std::uint16_t value);
    // The text field behind a watched object, if any.
    const TextFieldControl* FieldOf(const QObject* watched, TextField& field) const;
    bool FilterKey(TextField field, QKeyEvent& event);

    SettingsControls c;
    CSock& sock;
    const std::uint16_t& firmwareVersion;
    Clock& clock;
    QWidget* owner;
    std::array<TextFieldControl, 7> fields;
    std::array<BoxControl, 6> boxes;
};

}  // namespace varnok
