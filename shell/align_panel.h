// Panels that place their children by alignment, and splitters between them.
//
// An AlignPanel lays out its children the way the window's design gives
// them: a child is aligned to the top, bottom, left or right edge, fills
// what is left (client), or keeps the geometry it was given (none).
// Edge-aligned children keep their own height (top, bottom) or width (left,
// right) and stretch across the remaining area the other way. The top
// children are placed first, then bottom, left, right and client; within one
// edge they follow the order in which they were added, each one further in
// from the edge. Hidden children take no room and keep their last geometry.
// The panel realigns when it is resized and when a child is shown or hidden.
//
// A SplitterHandle is an edge-aligned child that resizes its neighbour, the
// nearest visible child before it on the same edge, while the mouse drags it
// (live). Every change of size emits Moved.
//
// Main thread only.
#pragma once

#include <QFrame>
#include <QPointer>
#include <QRect>
#include <vector>

namespace varnok {

enum class Align { None, Top, Bottom, Left, Right, Client };

class AlignPanel : public QFrame {
    Q_OBJECT

public:
    explicit AlignPanel(QWidget* parent = nullptr);

    // Makes `child` a child of this panel with the given alignment. The
    // child's current width or height is the size it keeps on its edge.
    void Add(QWidget* child, Align align);
    void SetAlign(QWidget* child, Align align);
    Align AlignOf(const QWidget* child) const;

    void Realign();
    // The area that was left for client-aligned children at the last Realign.
    QRect ClientRect() const { return clientRect; }
    // The visible child a splitter on the same edge resizes; null when none.
    QWidget* NeighbourOf(const QWidget* splitter) const;

signals:
    // After the panel has been resized and its children realigned.
    void Resized();
    // After the panel has painted its own surface.
    void Painted();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QPointer<QWidget> widget;
        Align align = Align::None;
    };
    std::vector<Entry> entries;
    QRect clientRect;
    bool aligning = false;
};

class SplitterHandle : public QWidget {
    Q_OBJECT

public:
    // The smallest size the splitter leaves its neighbour and the client area.
    static constexpr int kMinSize = 30;

    // Adds itself to `panel` on the given edge, `thickness` pixels across.
    SplitterHandle(Align edge, int thickness, AlignPanel* panel);

signals:
    void Moved();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int Extent(const QWidget* widget) const;
    int Along(QPoint point) const;

    AlignPanel* panel;
    Align edge;
    // While a drag runs.
    QPointer<QWidget> resized;
    int startSize = 0;
    int startPosition = 0;
    int maxSize = 0;
};

}  // namespace varnok
