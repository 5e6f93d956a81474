// The controls of the Errors view as the main window places them: Panel5
// (the whole view, hidden at start) with the button bar Panel3 on top
// (Button2 "Обновить" and Button3 "Сброс ошибок", both disabled until a
// session is open) and the fault list ListView1 filling the rest.
//
// Every control carries its name as objectName. The widgets belong to
// `parent` through Qt's parent chain.
#pragma once

class QFrame;
class QPushButton;
class QTreeWidget;
class QWidget;

namespace varnok {

struct ErrorsPanel {
    QFrame* Panel5 = nullptr;
    QFrame* Panel3 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QTreeWidget* ListView1 = nullptr;
};

ErrorsPanel CreateErrorsPanel(QWidget* parent);

}  // namespace varnok
