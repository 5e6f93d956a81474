// The port box's list: the system's serial ports, refilled each time the
// list drops down.
//
// Main thread only.
#pragma once

#include <QComboBox>
#include <QStringList>

namespace varnok {

// Names of the system's serial ports, the part after "/dev/" ("ttyS0",
// "ttyUSB0"), in no particular order.
QStringList SystemPortNames();

// Names in the box's order: alphabetical, ignoring case, so that "COM10"
// comes before "COM2".
QStringList SortedPortNames(QStringList names);

// An editable combo box that reports when its list is about to drop down.
class PortComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit PortComboBox(QWidget* parent = nullptr);

    // Replaces the list with `names`, sorted; the text in the box stays.
    void FillList(const QStringList& names);

    void showPopup() override;

signals:
    // Before the list opens; a handler may refill it.
    void DropDown();
};

}  // namespace varnok
