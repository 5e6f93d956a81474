#include "shell/port_list.h"

#include <QSerialPortInfo>
#include <algorithm>

namespace varnok {

QStringList SystemPortNames() {
    QStringList names;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        names << port.portName();
    }
    return names;
}

QStringList SortedPortNames(QStringList names) {
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}

PortComboBox::PortComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // The list only offers names; typing a name never adds it to the list.
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(10);
}

void PortComboBox::FillList(const QStringList& names) {
    const QString text = currentText();
    // Clearing or filling the list moves the current item, which would
    // replace the typed text; put it back afterwards.
    clear();
    addItems(SortedPortNames(names));
    setCurrentIndex(-1);
    setEditText(text);
}

void PortComboBox::showPopup() {
    emit DropDown();
    QComboBox::showPopup();
}

}  // namespace varnok
