// Message boxes of the program, behind one function that tests can answer.
//
// Main thread only.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

namespace varnok {

struct MessageBoxRequest {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    // Kept above all other windows, the program's and others'.
    bool stayOnTop = false;
};

using MessageBoxAnswerer = std::function<QMessageBox::StandardButton(const MessageBoxRequest&)>;

// Shows a modal message box and returns the button the user pressed. While
// an answerer is installed, it gets the request instead and its answer is
// returned; nothing is shown.
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const MessageBoxRequest& request);

// Installs an answerer for its lifetime (tests); the previous one comes back
// when it ends.
class MessageBoxAnswer {
public:
    explicit MessageBoxAnswer(MessageBoxAnswerer answerer);
    ~MessageBoxAnswer();
    MessageBoxAnswer(const MessageBoxAnswer&) = delete;
    MessageBoxAnswer& operator=(const MessageBoxAnswer&) = delete;

private:
    MessageBoxAnswerer previous;
};

}  // namespace varnok
