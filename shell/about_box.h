// TForm3, the About box: the program, its version and the maker, with links
// to the maker's web site and mail address. Shown modally by the main
// window's "О программе"; hidden again by "Закрыть", ready to be shown again.
//
// The links run the main window's two browse actions (BrowseURL1, the web
// site; BrowseURL2, "mailto:" and the mail address), whose data is the
// address each opens; the labels show the same addresses. The actions must
// outlive the box. Main thread only.
#pragma once

#include <QAction>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace varnok {

// A label that acts as a link: blue, underlined, a hand cursor; a click, or
// Space or Enter while it has the focus, emits Clicked.
class LinkLabel : public QLabel {
    Q_OBJECT

public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

class TForm3 : public QDialog {
    Q_OBJECT

public:
    TForm3(QAction* browseUrl1, QAction* browseUrl2, QWidget* parent = nullptr);

    void Label5Click();
    void Label6Click();
    void Button1Click();

    QGroupBox* GroupBox2;
    QLabel* Label1;  // the program and its version
    QLabel* Label4;  // the maker
    LinkLabel* Label5;
    LinkLabel* Label6;
    QPushButton* Button1;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QAction* BrowseURL1;
    QAction* BrowseURL2;
};

}  // namespace varnok
