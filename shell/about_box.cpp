#include "shell/about_box.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScreen>

#include "shell/fonts.h"
#include "shell/program_info.h"

namespace varnok {

namespace {

QFont LinkFont() {
    QFont font = WindowFont();
    font.setUnderline(true);
    return font;
}

QString MailAddress(const QAction* mailAction) {
    QString address = mailAction->data().toString();
    address.remove(QRegularExpression("^mailto:"));
    return address;
}

}  // namespace

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setFont(LinkFont());
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, Qt::blue);
    setPalette(colours);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit Clicked();
    }
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        emit Clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

TForm3::TForm3(QAction* browseUrl1, QAction* browseUrl2, QWidget* parent)
    : QDialog(parent), BrowseURL1(browseUrl1), BrowseURL2(browseUrl2) {
    setObjectName("Form3");
    setWindowTitle("О программе");
    // A title bar without icons or buttons; only "Закрыть" closes the box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    setFont(BoxFont());
    setFixedSize(229, 240);

    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(16, 8, 200, 181);

    Label1 = new QLabel(QString("%1\nВерсия %2").arg(kProgramCaption, kProgramVersion), GroupBox2);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(8, 16, 184, 36);

    Label4 = new QLabel(kMakerName, GroupBox2);
    Label4->setObjectName("Label4");
    Label4->move(24, 67);
    Label4->adjustSize();

    Label5 = new LinkLabel(MailAddress(BrowseURL2), GroupBox2);
    Label5->setObjectName("Label5");
    Label5->move(50, 102);
    Label5->adjustSize();
    connect(Label5, &LinkLabel::Clicked, this, &TForm3::Label5Click);

    Label6 = new LinkLabel(BrowseURL1->data().toString(), GroupBox2);
    Label6->setObjectName("Label6");
    Label6->move(52, 138);
    Label6->adjustSize();
    connect(Label6, &LinkLabel::Clicked, this, &TForm3::Label6Click);

    Button1 = new QPushButton("Закрыть", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(16, 199, 200, 32);
    QFont bold = BoxFont();
    bold.setBold(true);
    Button1->setFont(bold);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
}

void TForm3::Label5Click() {
    BrowseURL2->trigger();
}

void TForm3::Label6Click() {
    BrowseURL1->trigger();
}

void TForm3::Button1Click() {
    accept();
}

void TForm3::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect placed = frameGeometry();
        placed.moveCenter(screen->availableGeometry().center());
        move(placed.topLeft());
    }
    QDialog::showEvent(event);
}

void TForm3::keyPressEvent(QKeyEvent* event) {
    // Escape would close a dialog; this one closes only by its button.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace varnok
