#include "faults/errors_panel.h"

#include <QFrame>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "faults/fault_list.h"

namespace varnok {

namespace {

QPushButton* BarButton(QFrame* bar, const char* name, const QString& caption, int x) {
    auto* button = new QPushButton(caption, bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(x, 3, 100, 32);
    button->setEnabled(false);
    return button;
}

}  // namespace

ErrorsPanel CreateErrorsPanel(QWidget* parent) {
    ErrorsPanel panel;
    panel.Panel5 = new QFrame(parent);
    panel.Panel5->setObjectName(QStringLiteral("Panel5"));
    panel.Panel5->setFrameShape(QFrame::NoFrame);

    // The buttons keep their fixed places in the bar; the bar and the list
    // stretch with the view.
    panel.Panel3 = new QFrame(panel.Panel5);
    panel.Panel3->setObjectName(QStringLiteral("Panel3"));
    panel.Panel3->setFrameShape(QFrame::NoFrame);
    panel.Panel3->setFixedHeight(41);
    panel.Button2 = BarButton(panel.Panel3, "Button2", QStringLiteral("Обновить"), 0);
    panel.Button3 = BarButton(panel.Panel3, "Button3", QStringLiteral("Сброс ошибок"), 106);

    panel.ListView1 = new QTreeWidget(panel.Panel5);
    panel.ListView1->setObjectName(QStringLiteral("ListView1"));
    SetUpFaultList(*panel.ListView1);

    auto* layout = new QVBoxLayout(panel.Panel5);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel.Panel3);
    layout->addWidget(panel.ListView1);

    panel.Panel5->hide();
    return panel;
}

}  // namespace varnok
