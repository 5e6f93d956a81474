// The Settings view's controls under one window, named as in the main
// window, with one more button to move the focus to.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

namespace varnok::test {

class SettingsGroup : public QWidget {
public:
    SettingsGroup() {
        auto* layout = new QVBoxLayout(this);
        auto add = [&](QWidget* control, const char* name) {
            control->setObjectName(name);
            layout->addWidget(control);
        };
        for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label7", "Label9",
                                 "Label10", "Label11", "Label12", "Label13", "Label14"}) {
            add(new QLabel(name), name);
        }
        for (const char* name :
             {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7", "Edit8"}) {
            add(new QLineEdit, name);
        }
        for (const char* name :
             {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4", "CheckBox5", "CheckBox6"}) {
            add(new QCheckBox(name), name);
        }
        for (const char* name : {"Button4", "Button5", "Button7"}) {
            add(new QPushButton(name), name);
        }
        auto* ratio = new QComboBox;
        ratio->setEditable(true);
        ratio->setInsertPolicy(QComboBox::NoInsert);
        ratio->addItems({"2.08", "2.34", "3.32", "3.65", "4.00"});
        add(ratio, "ComboBox3");
        elsewhere = new QPushButton("elsewhere");
        layout->addWidget(elsewhere);
    }

    QPushButton* elsewhere;
};

}  // namespace varnok::test
