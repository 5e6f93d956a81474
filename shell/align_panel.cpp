#include "shell/align_panel.h"

#include <QEvent>
#include <QMouseEvent>
#include <algorithm>
#include <array>

#include "shell/window_geometry.h"

namespace varnok {

AlignPanel::AlignPanel(QWidget* parent) : QFrame(parent) {}

void AlignPanel::Add(QWidget* child, Align align) {
    if (child->parentWidget() != this) {
        child->setParent(this);
    }
    entries.push_back(Entry{child, align});
    child->installEventFilter(this);
    Realign();
}

void AlignPanel::SetAlign(QWidget* child, Align align) {
    for (Entry& entry : entries) {
        if (entry.widget == child) {
            entry.align = align;
        }
    }
    Realign();
}

Align AlignPanel::AlignOf(const QWidget* child) const {
    for (const Entry& entry : entries) {
        if (entry.widget == child) {
            return entry.align;
        }
    }
    return Align::None;
}

void AlignPanel::Realign() {
    if (aligning) {
        return;
    }
    aligning = true;
    QRect area = contentsRect();
    auto place = [&](QWidget* widget, Align align) {
        switch (align) {
            case Align::Top: {
                const int h = widget->height();
                widget->setGeometry(area.left(), area.top(), std::max(0, area.width()), h);
                area.setTop(area.top() + h);
                break;
            }
            case Align::Bottom: {
                const int h = widget->height();
                widget->setGeometry(area.left(), area.bottom() + 1 - h, std::max(0, area.width()),
                                    h);
                area.setBottom(area.bottom() - h);
                break;
            }
            case Align::Left: {
                const int w = widget->width();
                widget->setGeometry(area.left(), area.top(), w, std::max(0, area.height()));
                area.setLeft(area.left() + w);
                break;
            }
            case Align::Right: {
                const int w = widget->width();
                widget->setGeometry(area.right() + 1 - w, area.top(), w,
                                    std::max(0, area.height()));
                area.setRight(area.right() - w);
                break;
            }
            case Align::Client:
                widget->setGeometry(area.left(), area.top(), std::max(0, area.width()),
                                    std::max(0, area.height()));
                break;
            case Align::None:
                break;
        }
    };
    constexpr std::array kOrder{Align::Top, Align::Bottom, Align::Left, Align::Right};
    for (Align align : kOrder) {
        for (const Entry& entry : entries) {
            if (entry.widget && entry.align == align && !entry.widget->isHidden()) {
                place(entry.widget, align);
            }
        }
    }
    clientRect = area;
    for (const Entry& entry : entries) {
        if (entry.widget && entry.align == Align::Client && !entry.widget->isHidden()) {
            place(entry.widget, Align::Client);
        }
    }
    aligning = false;
}

QWidget* AlignPanel::NeighbourOf(const QWidget* splitter) const {
    const Align edge = AlignOf(splitter);
    QWidget* neighbour = nullptr;
    for (const Entry& entry : entries) {
        if (entry.widget == splitter) {
            return neighbour;
        }
        if (entry.widget && entry.align == edge && !entry.widget->isHidden()) {
            neighbour = entry.widget;
        }
    }
    return nullptr;
}

void AlignPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    Realign();
    emit Resized();
}

void AlignPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    emit Painted();
}

bool AlignPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
        Realign();
    }
    return QFrame::eventFilter(watched, event);
}

SplitterHandle::SplitterHandle(Align side, int thickness, AlignPanel* owner)
    : QWidget(owner), panel(owner), edge(side) {
    const bool across = side == Align::Left || side == Align::Right;
    setCursor(across ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    resize(across ? thickness : 0, across ? 0 : thickness);
    panel->Add(this, side);
}

int SplitterHandle::Extent(const QWidget* widget) const {
    return edge == Align::Left || edge == Align::Right ? widget->width() : widget->height();
}

// Mouse position along the axis the splitter moves on, signed so that a
// larger value means a larger neighbour.
int SplitterHandle::Along(QPoint point) const {
    switch (edge) {
        case Align::Left:
            return point.x();
        case Align::Right:
            return -point.x();
        case Align::Top:
            return point.y();
        case Align::Bottom:
            return -point.y();
        default:
            return 0;
    }
}

void SplitterHandle::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    resized = panel->NeighbourOf(this);
    if (!resized) {
        return;
    }
    startSize = Extent(resized);
    startPosition = Along(event->globalPosition().toPoint());
    const QRect client = panel->ClientRect();
    const int room = edge == Align::Left || edge == Align::Right ? client.width() : client.height();
    // The client area keeps at least kMinSize too.
    maxSize = startSize + room - kMinSize;
}

void SplitterHandle::mouseMoveEvent(QMouseEvent* event) {
    if (!resized) {
        return;
    }
    const int size = SplitterDragSize(
        startSize, Along(event->globalPosition().toPoint()) - startPosition, kMinSize, maxSize);
    if (size == Extent(resized)) {
        return;
    }
    if (edge == Align::Left || edge == Align::Right) {
        resized->resize(size, resized->height());
    } else {
        resized->resize(resized->width(), size);
    }
    panel->Realign();
    emit Moved();
}

void SplitterHandle::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        resized = nullptr;
    }
}

}  // namespace varnok
