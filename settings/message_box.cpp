#include "settings/message_box.h"

#include <utility>

namespace varnok {

namespace {

MessageBoxAnswerer& Answerer() {
    static MessageBoxAnswerer answerer;
    return answerer;
}

}  // namespace

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const MessageBoxRequest& request) {
    if (Answerer()) {
        return Answerer()(request);
    }
    QMessageBox box(request.icon, request.title, request.text, request.buttons, parent);
    if (request.defaultButton != QMessageBox::NoButton) {
        box.setDefaultButton(request.defaultButton);
    }
    if (request.stayOnTop) {
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

MessageBoxAnswer::MessageBoxAnswer(MessageBoxAnswerer answerer)
    : previous(std::exchange(Answerer(), std::move(answerer))) {}

MessageBoxAnswer::~MessageBoxAnswer() {
    Answerer() = std::move(previous);
}

}  // namespace varnok
