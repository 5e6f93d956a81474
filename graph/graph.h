// CGraph: a chart of one or more series of points (channels) against a
// common horizontal axis, with one vertical axis per group of channels, a
// grid, tick labels, channel labels with subscripts and square markers.
//
// The picture is composed off screen. Its static part (background, axes,
// grid, labels) is drawn once per rebuild into a cached image; a redraw
// without rebuild copies that image and draws only the curves over it, and
// lays out or draws no text.
//
// The owner configures the graph by writing its fields directly. Any change
// of geometry (left, top, width, height) or configuration needs a Compose or
// Draw with rebuild set; a change of points alone needs none.
//
// Everything here runs on the GUI thread, with a QGuiApplication alive.
#pragma once

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPen>
#include <string_view>
#include <vector>

#include "graph/graph_param.h"

class QPainter;

namespace varnok {

// Arial (or its metric twin) at 8 points for the screen, sized in pixels the
// way the screen's logical resolution gives them: round(8 * dpi / 72).
QFont GraphFont();

class CGraph {
public:
    CGraph(int channelCount, int pictureWidth, int pictureHeight, int pictureLeft, int pictureTop,
           int xDivisionCount, int yDivisionCount);

    CGraph(const CGraph&) = delete;
    CGraph& operator=(const CGraph&) = delete;

    // Composes the picture and puts it on target at (left, top).
    void Draw(QPainter& target, bool rebuild);
    // Composes the picture: rebuilds the cached background when asked, when
    // there is none or when the size changed, copies it and draws the curves
    // over it. Returns the picture, which stays valid until the next Compose.
    const QImage& Compose(bool rebuild);
    // The last composed picture; null before the first Compose or when the
    // picture has no area.
    const QImage& Picture() const { return picture_; }
    // The part of the picture the last Compose may have changed: all of it
    // after a rebuild or a new size, else the plot rectangle. Empty when
    // there is no picture.
    QRect ChangedRect() const { return changed_; }

    // Lays out the plot rectangle and draws the static picture on dc at (0, 0).
    // Returns 1 when it drew a chart, 0 when there is nothing to chart or no
    // room (the picture is then the plain background).
    int DrawBackground(QPainter& dc);
    // Draws the channels' series inside the plot rectangle.
    void DrawCurves(QPainter& dc);
    // Draws label at (x, y) (top left) with font when draw is set, or only
    // measures it; returns its width in pixels. The control codes 1, 2 and 3
    // switch to subscript, superscript and normal text and are not drawn.
    int DrawRichText(QPainter& dc, int x, int y, std::u16string_view label, const QFont& textFont,
                     bool draw);

    QFont font;
    QPen axisPen;
    QPen gridPen;
    QBrush background;
    int markerSize = 4;  // edge of the square point markers
    int width = 0;       // the picture
    int height = 0;
    int left = 0;  // where Draw puts the picture on its target
    int top = 0;
    int margin = 5;  // free border inside the picture
    // The plot rectangle, computed by DrawBackground.
    int plotLeft = 0;
    int plotTop = 0;
    int plotRight = 0;
    int plotBottom = 0;
    int xDivisions = 0;    // intervals of the horizontal axis
    int yDivisions = 0;    // intervals of the vertical axes
    CGraphParam timeAxis;  // the horizontal axis
    std::vector<CGraphParam> channels;
    QImage backgroundBitmap;  // the cached static picture
    bool backgroundValid = false;

private:
    QImage picture_;
    // The picture holds the cached background everywhere outside the plot
    // rectangle: it was copied whole from it since it was last drawn, and
    // the background (by its cache key) has not changed since.
    bool pictureHoldsBackground_ = false;
    qint64 copiedBackground_ = 0;
    QRect changed_;
};

}  // namespace varnok
