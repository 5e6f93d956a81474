#include "graph/graph.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cstring>
#include <optional>

#include "graph/plot_layout.h"

namespace varnok {

namespace {

// Height of the font's em square in pixels.
int EmHeight(const QFont& font) {
    return font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
}

// The font of subscripts and superscripts: seven tenths of the height, cut
// toward zero.
QFont SmallFont(const QFont& font) {
    QFont small(font);
    small.setPixelSize(std::max(1, static_cast<int>(EmHeight(font) * 0.7)));
    return small;
}

// Height of a line of text for the layout: the character cell less its
// internal and external leading, that is the em height less the external
// leading.
int TextHeight(const QFont& font, const QFontMetrics& metrics) {
    return std::max(1, EmHeight(font) - metrics.leading());
}

// The image a painter draws on, when an opaque colour filled into a
// rectangle can go straight into its pixels with the result the painter's
// fill would give: an RGB32 image at scale 1, drawn on without any
// transformation, at full opacity, source over, with no clip of the
// painter's own. Otherwise null.
QImage* DirectFillTarget(QPainter& dc) {
    QPaintDevice* device = dc.device();
    if (device == nullptr || device->devType() != QInternal::Image || dc.hasClipping() ||
        !dc.deviceTransform().isIdentity() || dc.opacity() != 1.0 ||
        dc.compositionMode() != QPainter::CompositionMode_SourceOver) {
        return nullptr;
    }
    auto* image = static_cast<QImage*>(device);
    const bool plain = image->format() == QImage::Format_RGB32 && image->devicePixelRatio() == 1.0;
    return plain ? image : nullptr;
}

// A channel's point markers: squares centred on the grid points, from
// p - half to p + half, outlined with the pen centred on their edges and
// filled with the brush. Filled rectangles give the pixels a stroked
// rectangle would, at a fraction of the cost. On a direct target
// (DirectFillTarget) opaque colours go straight into the image's pixels
// inside the clip rectangle: markers are two small fills each, up to a
// thousand of them at every redraw, and the painter's cost per fill is many
// times that of the pixels.
class MarkerPainter {
public:
    MarkerPainter(QPainter& dc, QImage* direct, const QRect& clip, int half, const QPen& pen,
                  const QBrush& brush)
        : dc_(dc),
          ink_(pen.brush()),
          fill_(brush),
          line_(pen.style() == Qt::NoPen ? 0 : std::max(1, pen.width())),
          outer_(half + line_ / 2),
          inner_(outer_ - line_),
          filled_(brush.style() != Qt::NoBrush && inner_ > 0) {
        if (direct != nullptr) {
            bits_ = direct->bits();
            stride_ = direct->bytesPerLine();
            clip_ = clip & direct->rect();
            inkPixel_ = DirectPixel(ink_);
            fillPixel_ = DirectPixel(fill_);
        }
    }

    void Draw(QPoint p) const {
        if (line_ > 0) {
            const int side = 2 * outer_;
            const int x = p.x() - outer_;
            const int y = p.y() - outer_;
            if (filled_) {
                Fill(QRect(x, y, side, side), ink_, inkPixel_);
            } else {
                Fill(QRect(x, y, side, line_), ink_, inkPixel_);
                Fill(QRect(x, y + side - line_, side, line_), ink_, inkPixel_);
                Fill(QRect(x, y, line_, side), ink_, inkPixel_);
                Fill(QRect(x + side - line_, y, line_, side), ink_, inkPixel_);
            }
        }
        if (filled_) {
            Fill(QRect(p.x() - inner_, p.y() - inner_, 2 * inner_, 2 * inner_), fill_, fillPixel_);
        }
    }

private:
    // The pixel the painter writes for an opaque solid colour on RGB32, or
    // none for anything else, which the painter fills itself.
    static std::optional<QRgb> DirectPixel(const QBrush& brush) {
        if (brush.style() != Qt::SolidPattern || brush.color().alpha() != 255) return {};
        return brush.color().rgba64().toArgb32();
    }

    void Fill(const QRect& rect, const QBrush& brush, std::optional<QRgb> pixel) const {
        if (pixel) {
            const QRect r = rect & clip_;
            for (int y = r.top(); y <= r.bottom(); ++y) {
                std::fill_n(reinterpret_cast<QRgb*>(bits_ + y * stride_) + r.left(), r.width(),
                            *pixel);
            }
        } else if (brush.style() == Qt::SolidPattern) {
            dc_.fillRect(rect, brush.color());  // the painter's fast path for colours
        } else {
            dc_.fillRect(rect, brush);
        }
    }

    QPainter& dc_;
    const QBrush ink_;
    const QBrush fill_;
    const int line_;   // width of the outline
    const int outer_;  // the outline's outer edge, from the point
    const int inner_;  // its inner edge
    const bool filled_;
    // A direct target: its pixels, their clip, and the colours' pixels.
    uchar* bits_ = nullptr;
    qsizetype stride_ = 0;
    QRect clip_;
    std::optional<QRgb> inkPixel_;
    std::optional<QRgb> fillPixel_;
};

// Whether anything drawn around the points a and b, no further from them
// than reach pixels, can show inside clip.
bool Reaches(QPoint a, QPoint b, int reach, const QRect& clip) {
    const QRect box(QPoint(std::min(a.x(), b.x()) - reach, std::min(a.y(), b.y()) - reach),
                    QPoint(std::max(a.x(), b.x()) + reach, std::max(a.y(), b.y()) + reach));
    return box.intersects(clip);
}

// Draws text with the top of its character cell at y, in the painter's font
// and pen colour.
void DrawTextTop(QPainter& dc, int x, int y, const QString& text) {
    dc.drawText(QPoint(x, y + dc.fontMetrics().ascent()), text);
}

}  // namespace

QFont GraphFont() {
    int dpi = 96;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        dpi = qRound(screen->logicalDotsPerInchY());
    }
    // fontconfig gives the metric twin of Arial where Arial itself is missing.
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Normal);
    font.setPixelSize((8 * dpi + 36) / 72);  // 8 points, rounded to whole pixels
    return font;
}

CGraph::CGraph(int channelCount, int pictureWidth, int pictureHeight, int pictureLeft,
               int pictureTop, int xDivisionCount, int yDivisionCount)
    : font(GraphFont()),
      axisPen(SolidPen(Qt::black, 2)),
      gridPen(SolidPen(QColor(127, 127, 127), 1)),
      background(Qt::white),
      width(pictureWidth),
      height(pictureHeight),
      left(pictureLeft),
      top(pictureTop),
      xDivisions(xDivisionCount),
      yDivisions(yDivisionCount),
      channels(static_cast<std::size_t>(std::max(0, channelCount))) {}

void CGraph::Draw(QPainter& target, bool rebuild) {
    const QImage& picture = Compose(rebuild);
    if (!picture.isNull()) target.drawImage(left, top, picture);
}

const QImage& CGraph::Compose(bool rebuild) {
    if (width <= 0 || height <= 0) {
        backgroundBitmap = QImage();
        picture_ = QImage();
        backgroundValid = false;
        pictureHoldsBackground_ = false;
        changed_ = QRect();
        return picture_;
    }
    const QSize size(width, height);
    // A cached background of another size would not fit the picture; it is
    // rebuilt even when the owner forgot to ask.
    if (rebuild || backgroundBitmap.size() != size) {
        backgroundBitmap = QImage(size, QImage::Format_RGB32);
        backgroundValid = false;
        pictureHoldsBackground_ = false;
        if (!backgroundBitmap.isNull()) {
            QPainter dc(&backgroundBitmap);
            backgroundValid = DrawBackground(dc) != 0;
        }
    }
    if (picture_.size() != size) {
        picture_ = QImage(size, QImage::Format_RGB32);
        pictureHoldsBackground_ = false;
    }
    if (picture_.isNull() || backgroundBitmap.isNull()) {
        picture_ = QImage();
        pictureHoldsBackground_ = false;
        changed_ = QRect();
        return picture_;
    }
    // The curves stay inside the plot rectangle, so outside it the picture
    // still holds the background from the last whole copy: only the plot
    // rectangle has to be copied again.
    const QRect plot =
        QRect(plotLeft, plotTop, plotRight - plotLeft, plotBottom - plotTop) & picture_.rect();
    if (pictureHoldsBackground_ && backgroundValid &&
        backgroundBitmap.cacheKey() == copiedBackground_) {
        const auto rowBytes = static_cast<std::size_t>(plot.width()) * sizeof(QRgb);
        for (int y = plot.top(); y <= plot.bottom(); ++y) {
            std::memcpy(
                reinterpret_cast<QRgb*>(picture_.scanLine(y)) + plot.left(),
                reinterpret_cast<const QRgb*>(backgroundBitmap.constScanLine(y)) + plot.left(),
                rowBytes);
        }
        changed_ = plot;
    } else {
        std::memcpy(picture_.bits(), backgroundBitmap.constBits(),
                    static_cast<std::size_t>(backgroundBitmap.sizeInBytes()));
        pictureHoldsBackground_ = true;
        copiedBackground_ = backgroundBitmap.cacheKey();
        changed_ = picture_.rect();
    }
    if (backgroundValid) {
        QPainter dc(&picture_);
        DrawCurves(dc);
    }
    return picture_;
}

int CGraph::DrawBackground(QPainter& dc) {
    dc.fillRect(QRect(0, 0, width, height), background);
    dc.setRenderHint(QPainter::Antialiasing, false);
    dc.setFont(font);
    const QFontMetrics metrics = dc.fontMetrics();
    const int h = TextHeight(font, metrics);

    LayoutInput in;
    in.width = width;
    in.height = height;
    in.margin = margin;
    in.textHeight = h;
    in.timeEnabled = timeAxis.enabled;
    in.timeOnAxis = timeAxis.onAxis;
    if (timeAxis.enabled && timeAxis.onAxis) {
        in.timeLabelWidth = DrawRichText(dc, 0, 0, timeAxis.Label(), font, false);
        in.timeMinTextWidth = metrics.horizontalAdvance(timeAxis.FormatValue(timeAxis.minValue));
    }
    for (const CGraphParam& channel : channels) {
        LayoutChannel& c = in.channels.emplace_back();
        c.enabled = channel.enabled;
        c.onAxis = channel.onAxis;
        c.axisGroup = channel.axisGroup;
        if (channel.enabled && channel.onAxis) {
            c.labelWidth = DrawRichText(dc, 0, 0, channel.Label(), font, false);
            c.maxTextWidth = metrics.horizontalAdvance(channel.FormatValue(channel.maxValue));
        }
    }
    const PlotLayout layout = LayOutPlot(in);
    if (!layout.charted) return 0;
    plotLeft = layout.plot.left;
    plotTop = layout.plot.top;
    plotRight = layout.plot.right;
    plotBottom = layout.plot.bottom;
    // Nothing has been drawn yet, so a picture without room stays the plain background.
    if (!layout.valid) return 0;
    const PlotRect& plot = layout.plot;

    for (const LabelPlace& place : layout.labels) {
        const CGraphParam& channel = channels[static_cast<std::size_t>(place.channel)];
        dc.setPen(channel.colour);
        DrawRichText(dc, place.x, place.y, channel.Label(), font, true);
    }
    dc.setPen(axisPen);
    for (const LayoutLine& line : layout.axisLines) dc.drawLine(line.x1, line.y1, line.x2, line.y2);
    if (timeAxis.onAxis) {
        dc.setPen(timeAxis.colour);
        DrawRichText(dc, layout.timeLabelX, layout.timeLabelY, timeAxis.Label(), font, true);
    }

    // Grid lines; each vertical one reaches 4 pixels below the time axis as
    // its tick, each horizontal one 4 pixels left of the rightmost axis, and
    // every other axis gets a tick of its own.
    dc.setPen(gridPen);
    for (int k = 1; k <= xDivisions; ++k) {
        const int x = GridLineX(plot, xDivisions, k);
        dc.drawLine(x, plot.top, x, plot.bottom + 4);
    }
    for (int k = 0; k < yDivisions; ++k) {
        const int y = GridLineY(plot, yDivisions, k);
        for (int axis : layout.axisX) {
            if (axis != 0) dc.drawLine(axis - 4, y, axis, y);
        }
        dc.drawLine(plot.left - 4, y, plot.right, y);
    }

    dc.setFont(font);
    if (timeAxis.onAxis) {
        const int widest = metrics.horizontalAdvance(timeAxis.FormatValue(timeAxis.maxValue));
        const int step =
            TickLabelStep(xDivisions, static_cast<double>(plot.right - plot.left) / (widest + 4));
        dc.setPen(timeAxis.colour);
        for (int k : LabelledDivisions(xDivisions, step)) {
            const QString text = timeAxis.FormatValue(
                timeAxis.minValue + (timeAxis.maxValue - timeAxis.minValue) / xDivisions * k);
            DrawTextTop(dc, TickLabelX(plot, xDivisions, k) - metrics.horizontalAdvance(text),
                        plot.bottom + 4, text);
        }
    }
    const int step =
        TickLabelStep(yDivisions, static_cast<double>(plot.bottom - plot.top) / (h + 4));
    const std::vector<int> labelled = LabelledDivisions(yDivisions, step);
    for (std::size_t i = 0; i < channels.size(); ++i) {
        const int axis = layout.axisX[i];
        if (axis == 0) continue;
        const CGraphParam& channel = channels[i];
        dc.setPen(channel.colour);
        for (int k : labelled) {
            const QString text = channel.FormatValue(
                channel.minValue + (channel.maxValue - channel.minValue) / yDivisions * k);
            DrawTextTop(dc, axis - 4 - metrics.horizontalAdvance(text),
                        TickLabelTop(plot, yDivisions, k, h), text);
        }
    }
    return 1;
}

void CGraph::DrawCurves(QPainter& dc) {
    if (timeAxis.maxValue == timeAxis.minValue) return;
    const PlotRect plot{plotLeft, plotTop, plotRight, plotBottom};
    QImage* const direct = DirectFillTarget(dc);
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    // The clip leaves out the right and bottom edges' own pixels: a point on
    // the right edge shows the left half of its marker.
    const QRect clip(plotLeft, plotTop, plotRight - plotLeft, plotBottom - plotTop);
    dc.setClipRect(clip, dc.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    const int m = markerSize / 2;
    for (const CGraphParam& channel : channels) {
        if (channel.count <= 0 || channel.points == nullptr || !channel.enabled ||
            channel.maxValue == channel.minValue) {
            continue;
        }
        dc.setPen(channel.pen);
        // How far a line's pixels (half the pen's width to the side, square
        // caps beyond its ends) and a marker's reach from their points, with
        // room to spare: lines and markers entirely outside the clip, as
        // the older points left of the plot are, are not drawn at all.
        const int lineReach = std::max(1, channel.pen.width()) + 2;
        const int markerReach = m + lineReach;
        const MarkerPainter markers(dc, direct, clip, m, channel.pen, channel.brush);
        QPoint at;
        for (int j = 0; j < channel.count; ++j) {
            const GraphPoint& p = channel.points[j];
            const QPoint point(PointX(plot, p.x, timeAxis.minValue, timeAxis.maxValue),
                               PointY(plot, p.y, channel.minValue, channel.maxValue));
            if (j == 0) at = point;
            if (channel.breaks != nullptr && channel.breaks[j] == 1) {
                // A new line piece starts here; a piece of one point gets no marker.
                at = point;
                if (j == channel.count - 1 || channel.breaks[j + 1] == 1) continue;
            } else if ((channel.style & kStyleLines) != 0) {
                if (point != at && Reaches(at, point, lineReach, clip)) dc.drawLine(at, point);
                at = point;
            }
            if ((channel.style & kStyleMarkers) != 0 && Reaches(point, point, markerReach, clip)) {
                markers.Draw(point);
            }
        }
    }
    dc.restore();
}

int CGraph::DrawRichText(QPainter& dc, int x, int y, std::u16string_view label,
                         const QFont& textFont, bool draw) {
    dc.save();
    const QFont small = SmallFont(textFont);
    dc.setFont(small);
    const QFontMetrics smallMetrics = dc.fontMetrics();
    dc.setFont(textFont);
    const QFontMetrics normalMetrics = dc.fontMetrics();
    // A subscript is lowered so that its cell ends where the normal text's
    // em square would; a superscript keeps the normal top.
    const int subscriptOffset = normalMetrics.height() - EmHeight(small);

    const QFontMetrics* metrics = &normalMetrics;
    int offset = 0;
    int total = 0;
    std::size_t i = 0;
    const std::size_t length = std::min(label.size(), label.find(u'\0'));
    while (i < length) {
        // A piece runs to the next control code or the end of the label.
        std::size_t j = i + 1;
        while (j < length && label[j] > kLabelNormal) ++j;
        const char16_t code = label[i];
        if (code == kLabelSubscript || code == kLabelSuperscript || code == kLabelNormal) {
            const bool normal = code == kLabelNormal;
            dc.setFont(normal ? textFont : small);
            metrics = normal ? &normalMetrics : &smallMetrics;
            offset = code == kLabelSubscript ? subscriptOffset : 0;
            ++i;  // the code itself is not drawn
        }
        const QString piece = QString::fromUtf16(label.data() + i, static_cast<qsizetype>(j - i));
        if (draw && !piece.isEmpty()) {
            dc.drawText(QPoint(x + total, y + offset + metrics->ascent()), piece);
        }
        total += metrics->horizontalAdvance(piece);
        i = j;
    }
    dc.restore();
    return total;
}

}  // namespace varnok
