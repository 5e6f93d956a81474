#include "settings/settings_view.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "tests/settings/settings_group.h"
#include "tests/settings/unit_memory.h"

namespace varnok {
namespace {

using test::FakeLine;
using test::UnitMemory;
using Seen = std::vector<std::string>;

// The Settings view on real controls, its link object on a fake line
// played by a unit that holds what it is sent.
class SettingsViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        memory.Attach(line);
        group.show();
        group.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&group));
        // The window gives its first field the focus; start from elsewhere.
        group.elsewhere->setFocus(Qt::OtherFocusReason);
        Sent();
    }

    // The unit holds `value`, and its answer has reached the view.
    void Answered(const DataObject& object, std::uint16_t value) {
        memory.words[UnitMemory::KeyOf(object)] = value;
        StoreUnsigned16(object, value);
        view.ShowValue(object.object, object.offset);
    }

    // Lets the line run and hands every read's notification to the view,
    // as the main window's dispatch does.
    void Deliver() {
        test::RunLine(line);
        for (const auto& [object, offset] : line.notifications) {
            view.ShowValue(object, offset);
        }
        line.notifications.clear();
    }

    // Replaces the field's text by typing, then moves the focus on.
    void TypeAndLeave(QWidget* control, const QString& keys) {
        Type(control, keys);
        Leave();
    }
    void Type(QWidget* control, const QString& keys) {
        control->setFocus(Qt::MouseFocusReason);
        EditOf(control)->selectAll();
        QTest::keyClicks(control, keys);
    }
    void Leave() { group.elsewhere->setFocus(Qt::TabFocusReason); }

    QLineEdit* EditOf(QWidget* control) {
        auto* combo = qobject_cast<QComboBox*>(control);
        return combo != nullptr ? combo->lineEdit() : static_cast<QLineEdit*>(control);
    }

    Seen Sent() {
        test::RunLine(line);
        Seen seen = test::SeenHex(line);
        line.seen.clear();
        return seen;
    }

    test::SettingsGroup group;
    SettingsControls c = FindSettingsControls(group);
    // The unit outlives the line, whose end closes the session.
    UnitMemory memory;
    FakeLine line;
    std::uint16_t firmwareVersion = 276;
    SettingsView view{c, *line.sock, firmwareVersion, line.clock, &group};
};

TEST_F(SettingsViewTest, LeavingAFieldWritesWhatItsRuleAllowsThenReadsBack) {
    struct Case {
        const char* what;
        QWidget* control;
        const DataObject& object;
        std::uint16_t version;
        std::uint16_t unitValue;
        QString shownBefore;
        QString typed;
        Seen sent;
        QString shownAfter;
    };
    const Case cases[] = {
        {"8007 at version 275 writes 1000",
         c.Edit1,
         objects::kTachographConstant,
         275,
         1000,
         "8000",
         "8007",
         {"A1 67 00 0E 00 E8 03", "A0 67 00 0E 00 02 00"},
         "8000"},
        {"65537 at version 276 writes 1",
         c.Edit1,
         objects::kTachographConstant,
         276,
         1000,
         "1000",
         "65537",
         {"A1 67 00 0E 00 01 00", "A0 67 00 0E 00 02 00"},
         "1"},
        {"a comma typed as the point",
         c.ComboBox3,
         objects::kTachometerRatio,
         276,
         2080,
         "2.08",
         "2,34",
         {"A1 F5 01 08 00 24 09", "A0 F5 01 08 00 02 00"},
         "2.34"},
        {"599 is below the range",
         c.Edit4,
         objects::kWarmIdleSpeed,
         276,
         650,
         "650",
         "599",
         {"A0 F1 03 02 00 02 00"},
         "650"},
        {"600 is the lower end",
         c.Edit4,
         objects::kWarmIdleSpeed,
         276,
         650,
         "650",
         "600",
         {"A1 F1 03 02 00 58 02", "A0 F1 03 02 00 02 00"},
         "600"},
        {"18.004 writes 1800",
         c.Edit5,
         objects::kWarmPedalCorrection,
         276,
         1250,
         "12.5",
         "18.004",
         {"A1 F1 03 06 00 08 07", "A0 F1 03 06 00 02 00"},
         "18"},
        {"5001 is past Kd's end",
         c.Edit3,
         objects::kSpeedGainKd,
         276,
         3000,
         "3000",
         "5001",
         {"A0 EC 03 08 00 02 00"},
         "3000"},
        {"a lone point is 0 for Kd",
         c.Edit3,
         objects::kSpeedGainKd,
         276,
         3000,
         "3000",
         ".",
         {"A1 EC 03 08 00 00 00", "A0 EC 03 08 00 02 00"},
         "0"},
        {"an emptied field writes nothing",
         c.Edit2,
         objects::kSpeedLimit,
         276,
         9000,
         "90",
         "\b",
         {"A0 4D 04 02 00 02 00"},
         "90"},
        {"Kp",
         c.Edit8,
         objects::kRackGainKp,
         276,
         4000,
         "4000",
         "5500",
         {"A1 90 01 08 00 7C 15", "A0 90 01 08 00 02 00"},
         "5500"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        firmwareVersion = k.version;
        Answered(k.object, k.unitValue);
        EXPECT_EQ(EditOf(k.control)->text(), k.shownBefore);
        TypeAndLeave(k.control, k.typed);
        EXPECT_EQ(Sent(), k.sent);
        Deliver();
        EXPECT_EQ(EditOf(k.control)->text(), k.shownAfter);
    }
}

TEST_F(SettingsViewTest, AValueTheUnitRefusesIsReplacedByTheUnitsValue) {
    memory.refuseWrite = [](std::uint16_t, std::uint16_t, std::uint16_t) { return true; };
    Answered(objects::kRackGainKp, 4000);
    TypeAndLeave(c.Edit8, "5000");
    EXPECT_EQ(Sent(), (Seen{"A1 90 01 08 00 88 13", "A0 90 01 08 00 02 00"}));
    Deliver();
    EXPECT_EQ(c.Edit8->text(), "4000");
}

TEST_F(SettingsViewTest, TheKeyFilterLetsThroughDigitsAndOnePoint) {
    Type(c.Edit2, "1a-,2 .,3+");
    EXPECT_EQ(c.Edit2->text(), "1.23");
    QTest::keyClick(c.Edit2, Qt::Key_Backspace);
    EXPECT_EQ(c.Edit2->text(), "1.2");
    QTest::keyClick(c.Edit2, Qt::Key_V, Qt::ControlModifier);  // control characters too
    EXPECT_EQ(c.Edit2->text(), "1.2");
    EXPECT_TRUE(Sent().empty());  // typing alone writes nothing
    Type(c.ComboBox3, "3,,6.5");
    EXPECT_EQ(c.ComboBox3->currentText(), "3.65");
}

TEST_F(SettingsViewTest, ChoosingAListItemWritesItsValueWhenTheBoxIsLeft) {
    Answered(objects::kTachometerRatio, 2080);
    c.ComboBox3->setFocus(Qt::MouseFocusReason);
    c.ComboBox3->setCurrentIndex(4);
    EXPECT_TRUE(Sent().empty());
    Leave();
    EXPECT_EQ(Sent(), (Seen{"A1 F5 01 08 00 A0 0F", "A0 F5 01 08 00 02 00"}));
    Deliver();
    EXPECT_EQ(c.ComboBox3->currentText(), "4");
}

TEST_F(SettingsViewTest, EscapeReadsBackWithoutWriting) {
    Answered(objects::kWarmIdleSpeed, 650);
    Type(c.Edit4, "66");
    QTest::keyClick(c.Edit4, Qt::Key_Escape);
    EXPECT_EQ(c.Edit4->text(), "66");
    EXPECT_EQ(Sent(), (Seen{"A0 F1 03 02 00 02 00"}));
    Deliver();
    EXPECT_EQ(c.Edit4->text(), "650");
}

TEST_F(SettingsViewTest, EnterAndDoubleClickWriteAsLeavingDoes) {
    const Seen written{"A1 F1 03 02 00 80 02", "A0 F1 03 02 00 02 00"};  // 640
    Answered(objects::kWarmIdleSpeed, 650);
    Type(c.Edit4, "640");
    QTest::keyClick(c.Edit4, Qt::Key_Return);
    EXPECT_TRUE(c.Edit4->hasFocus());
    EXPECT_EQ(Sent(), written);
    QTest::mouseDClick(c.Edit4, Qt::LeftButton);
    EXPECT_EQ(Sent(), written);
    Leave();
    EXPECT_EQ(Sent(), written);

    Answered(objects::kTachometerRatio, 2080);
    QTest::mouseDClick(c.ComboBox3->lineEdit(), Qt::LeftButton);
    EXPECT_EQ(Sent(), (Seen{"A1 F5 01 08 00 20 08", "A0 F5 01 08 00 02 00"}));
    QTest::keyClick(c.ComboBox3, Qt::Key_Enter);
    EXPECT_EQ(Sent(), (Seen{"A1 F5 01 08 00 20 08", "A0 F5 01 08 00 02 00"}));
}

TEST_F(SettingsViewTest, TheWindowLosingActivationIsNotLeavingAField) {
    for (const Qt::FocusReason reason :
         {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason, Qt::MenuBarFocusReason}) {
        QFocusEvent edit(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(c.Edit3, &edit);
        QFocusEvent combo(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(c.ComboBox3, &combo);
    }
    EXPECT_TRUE(Sent().empty());
}

TEST_F(SettingsViewTest, ACheckBoxClickWritesOneOrZeroAndReadsBack) {
    struct Box {
        QCheckBox* box;
        std::string object;  // object and offset, as sent
    };
    const Box boxes[] = {
        {c.CheckBox1, "2A 03 00 00"}, {c.CheckBox2, "2B 03 00 00"}, {c.CheckBox3, "2C 03 00 00"},
        {c.CheckBox4, "02 F0 00 00"}, {c.CheckBox5, "69 00 0A 00"}, {c.CheckBox6, "4D 04 00 00"},
    };
    for (const Box& box : boxes) {
        SCOPED_TRACE(box.box->objectName().toStdString());
        box.box->setChecked(false);
        box.box->click();
        EXPECT_EQ(Sent(), (Seen{"A1 " + box.object + " 01 00", "A0 " + box.object + " 02 00"}));
        Deliver();
        EXPECT_TRUE(box.box->isChecked());
        box.box->click();
        EXPECT_EQ(Sent(), (Seen{"A1 " + box.object + " 00 00", "A0 " + box.object + " 02 00"}));
        Deliver();
        EXPECT_FALSE(box.box->isChecked());
    }
}

TEST_F(SettingsViewTest, ABoxThatAnAnswerChangesWritesNothingBack) {
    Answered(objects::kDoorPedalLock, 1);
    EXPECT_TRUE(c.CheckBox1->isChecked());
    Answered(objects::kSpeedLimiterOn, 1);
    Answered(objects::kSpeedLimiterOn, 0);
    EXPECT_FALSE(c.CheckBox6->isChecked());
    EXPECT_TRUE(Sent().empty());
}

TEST_F(SettingsViewTest, AnswersFillTheirControlsAndEnableThem) {
    for (QWidget* control : group.findChildren<QWidget*>()) control->setEnabled(false);
    struct Case {
        const DataObject& object;
        std::uint16_t value;
        QLineEdit* edit;
        QString text;
        QWidget* enabled[2];
    };
    const Case cases[] = {
        {objects::kTachographConstant, 1000, c.Edit1, "1000", {c.Edit1, c.Label1}},
        {objects::kTachometerRatio, 2080, c.ComboBox3->lineEdit(), "2.08", {c.ComboBox3, c.Label3}},
        {objects::kTachometerRatio, 4000, c.ComboBox3->lineEdit(), "4", {c.ComboBox3, c.Label3}},
        {objects::kSpeedGainKd, 2000, c.Edit3, "2000", {c.Edit3, c.Label9}},
        {objects::kRackGainKp, 65535, c.Edit8, "65535", {c.Edit8, c.Label4}},
        {objects::kWarmIdleSpeed, 0xFFFF, c.Edit4, "-1", {c.Edit4, c.Label10}},
        {objects::kWarmPedalCorrection, 1250, c.Edit5, "12.5", {c.Edit5, c.Label11}},
        {objects::kPedalCorrection, 0xFFFB, c.Edit7, "-0.05", {c.Edit7, c.Label13}},
        {objects::kIdleSpeed, 610, c.Edit6, "610", {c.Edit6, c.Label12}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.object.meaning);
        Answered(k.object, k.value);
        EXPECT_EQ(k.edit->text(), k.text);
        EXPECT_TRUE(k.enabled[0]->isEnabled());
        EXPECT_TRUE(k.enabled[1]->isEnabled());
    }
    // The speed limit's text is set; its enabling is left to object 1101, 0.
    Answered(objects::kSpeedLimit, 0xFFFF);
    EXPECT_EQ(c.Edit2->text(), "655.35");
    EXPECT_FALSE(c.Edit2->isEnabled());
    // Pairs that are not the view's are left alone.
    for (const auto& [object, offset] : {std::pair{103, 12}, {1009, 4}, {104, 14}, {105, 20}}) {
        EXPECT_FALSE(
            view.ShowValue(static_cast<std::uint16_t>(object), static_cast<std::uint16_t>(offset)));
    }
}

TEST_F(SettingsViewTest, FlagsCheckTheirBoxesAndEnableWhatDependsOnThem) {
    struct Case {
        const DataObject& object;
        std::uint16_t value;
        QCheckBox* box;  // null: the flag has no box
        bool on;
        QWidget* dependent[2];
    };
    const Case cases[] = {
        {objects::kSpeedLimiterOn, 1, c.CheckBox6, true, {c.Label2, c.Edit2}},
        {objects::kSpeedLimiterOn, 2, c.CheckBox6, false, {c.Label2, c.Edit2}},
        {objects::kSpeedLimiterOn, 0, c.CheckBox6, false, {c.Label2, c.Edit2}},
        {objects::kDoorPedalLock, 2, c.CheckBox1, true, {}},
        {objects::kCabSpeedControl, 1, c.CheckBox2, true, {}},
        {objects::kEngineBaySpeedControl, 0, c.CheckBox3, false, {}},
        {objects::kCanSetting, 0x100, c.CheckBox4, true, {}},
        {objects::kPedal1Enabled, 1, nullptr, true, {c.Label7, c.Button5}},
        {objects::kPedal1Enabled, 0, nullptr, false, {c.Label7, c.Button5}},
        {objects::kPedal2Enabled, 3, c.CheckBox5, true, {c.Label14, c.Button7}},
        {objects::kPedal2Enabled, 0, c.CheckBox5, false, {c.Label14, c.Button7}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.object.meaning) + " = " + std::to_string(k.value));
        for (QWidget* control : group.findChildren<QWidget*>()) control->setEnabled(false);
        if (k.box != nullptr) k.box->setChecked(!k.on);
        Answered(k.object, k.value);
        if (k.box != nullptr) {
            EXPECT_TRUE(k.box->isEnabled());
            EXPECT_EQ(k.box->isChecked(), k.on);
        }
        for (QWidget* dependent : k.dependent) {
            if (dependent != nullptr) {
                EXPECT_EQ(dependent->isEnabled(), k.on);
            }
        }
    }
}

TEST_F(SettingsViewTest, TheTachographConstantIsMultipliedOncePerAnswer) {
    firmwareVersion = 275;
    Answered(objects::kTachographConstant, 1000);
    view.ShowValue(103, 14);
    EXPECT_EQ(c.Edit1->text(), "8000");
    EXPECT_EQ(LoadUnsigned16(objects::kTachographConstant), 1000);
    Answered(objects::kTachographConstant, 8193);  // wraps at 16 bits
    EXPECT_EQ(c.Edit1->text(), "8");
}

}  // namespace
}  // namespace varnok
