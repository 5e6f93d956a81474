// CGraphParam: one channel of a CGraph, or its horizontal axis.
//
// The owner configures a channel by writing its fields directly. Three
// fields hang together and have setters that keep them so: a new colour
// needs a new pen (SetColour), a new precision a new format (SetPrecision),
// and a label is cut to 15 characters (SetLabel).
#pragma once

#include <QBrush>
#include <QColor>
#include <QPen>
#include <QString>
#include <array>
#include <cstdint>
#include <string_view>

#include "graph/graph_point.h"

namespace varnok {

// Control codes inside a label. A code stays in force until the next one:
// {'n', kLabelSubscript, '1'} is n followed by a small, lowered 1.
inline constexpr char16_t kLabelSubscript = 1;
inline constexpr char16_t kLabelSuperscript = 2;
inline constexpr char16_t kLabelNormal = 3;

// Bits of CGraphParam::style.
inline constexpr int kStyleLines = 1;    // join the points with lines
inline constexpr int kStyleMarkers = 2;  // a square marker at each point

// A solid pen of the given width, as the graph draws curves and axes.
QPen SolidPen(const QColor& colour, int width);

struct CGraphParam {
    static constexpr int kLabelLength = 15;

    CGraphParam();

    // Copies at most 15 characters of text; the rest is dropped.
    void SetLabel(std::u16string_view text);
    // The label up to its terminating zero.
    std::u16string_view Label() const;
    // Sets the precision and rebuilds the format; the precision is kept
    // within 0 to 15 so that the format stays a plain fixed-point one.
    void SetPrecision(int digits);
    // Sets the colour and a new solid pen of width 2 in it.
    void SetColour(const QColor& value);
    // value written with format: fixed point, "." as the decimal separator
    // whatever the user's locale.
    QString FormatValue(double value) const;

    bool enabled = false;  // drawn and part of the axes; for the time axis: anything is drawn
    bool onAxis = false;   // has a label and an axis; for the time axis: its label and tick labels
    int style = 0;         // kStyleLines | kStyleMarkers
    int axisGroup = 0;     // channels with equal groups share one vertical axis
    std::array<char16_t, kLabelLength + 1> label{};
    int precision = 3;                     // digits after the point of the tick labels
    std::array<char, 16> format{};         // "%.<precision>f"
    double minValue = 0.0;                 // bottom of the axis (left end of the time axis)
    double maxValue = 0.0;                 // top of the axis (right end of the time axis)
    QColor colour{Qt::black};              // curve, label and tick labels
    QPen pen;                              // curve and marker outlines
    QBrush brush{Qt::black};               // marker fill
    int count = 0;                         // valid points in points
    GraphPoint* points = nullptr;          // not owned; point 0 is drawn first
    const std::int32_t* breaks = nullptr;  // not owned, may be null; 1 starts a new line piece
};

}  // namespace varnok
