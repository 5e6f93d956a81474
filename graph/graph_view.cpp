#include "graph/graph_view.h"

#include <QPainter>

namespace varnok {

GraphView::GraphView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("GraphView"));
    setAccessibleName(QStringLiteral("График"));
    // The picture covers the whole widget; Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GraphView::SetPicture(const QImage* picture) {
    picture_ = picture;
}

void GraphView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool covered = picture_ != nullptr && !picture_->isNull() &&
                         picture_->width() >= width() && picture_->height() >= height();
    if (!covered) painter.fillRect(rect(), palette().color(QPalette::Base));
    if (picture_ != nullptr && !picture_->isNull()) painter.drawImage(0, 0, *picture_);
}

}  // namespace varnok
