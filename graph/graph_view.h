// GraphView: the child widget that shows the trend graph's composed picture.
//
// Qt draws on a widget only inside its paint event, so the graph is composed
// off screen and this widget, placed exactly over the graph area, copies the
// picture. It draws nothing else and knows nothing of channels.
#pragma once

#include <QImage>
#include <QWidget>

namespace varnok {

class GraphView : public QWidget {
    Q_OBJECT

public:
    explicit GraphView(QWidget* parent = nullptr);

    // The picture to show, or null for none. It must stay alive while set;
    // InformationGraph sets and clears it.
    void SetPicture(const QImage* picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage* picture_ = nullptr;
};

}  // namespace varnok
