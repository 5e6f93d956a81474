#include "graph/graph_param.h"

#include <algorithm>
#include <cstdio>

namespace varnok {

// Square ends: at the widths used here they cover the same pixels as round
// ends do, and the rasterizer draws them several times faster, which matters
// for the thousand short lines of every redraw.
QPen SolidPen(const QColor& colour, int width) {
    return QPen(QBrush(colour), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

CGraphParam::CGraphParam() : pen(SolidPen(Qt::black, 2)) {
    SetPrecision(3);
}

void CGraphParam::SetLabel(std::u16string_view text) {
    const std::size_t length = std::min<std::size_t>(text.size(), kLabelLength);
    std::copy_n(text.begin(), length, label.begin());
    std::fill(label.begin() + static_cast<std::ptrdiff_t>(length), label.end(), u'\0');
}

std::u16string_view CGraphParam::Label() const {
    const auto end = std::find(label.begin(), label.end(), u'\0');
    return {label.data(), static_cast<std::size_t>(end - label.begin())};
}

void CGraphParam::SetPrecision(int digits) {
    precision = std::clamp(digits, 0, 15);
    std::snprintf(format.data(), format.size(), "%%.%df", precision);
}

void CGraphParam::SetColour(const QColor& value) {
    colour = value;
    pen = SolidPen(value, 2);
}

QString CGraphParam::FormatValue(double value) const {
    // QString::asprintf formats numbers in the C locale; the C library's
    // printf would follow the user's locale and may write a comma.
    return QString::asprintf(format.data(), value);
}

}  // namespace varnok
