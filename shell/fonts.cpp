#include "shell/fonts.h"

#include <QStringList>

namespace varnok {

namespace {

QFont FontOf(const QStringList& families, int pointSize) {
    QFont font;
    font.setFamilies(families);
    font.setPointSize(pointSize);
    return font;
}

}  // namespace

QFont WindowFont() {
    return FontOf({"MS Sans Serif", "Liberation Sans"}, 8);
}

QFont BoxFont() {
    return FontOf({"Tahoma", "Liberation Sans"}, 8);
}

}  // namespace varnok
