#include "graph/graph_param.h"

#include <gtest/gtest.h>

#include <string>

namespace varnok {
namespace {

TEST(CGraphParam, LabelIsCutToFifteenCharacters) {
    CGraphParam param;
    param.SetLabel(u"ABCDEFGHIJKLMNOP");  // 16
    EXPECT_EQ(std::u16string(param.Label()), u"ABCDEFGHIJKLMNO");
    EXPECT_EQ(param.label[15], u'\0');

    param.SetLabel(u"n");  // a shorter label leaves nothing of the longer one behind
    EXPECT_EQ(std::u16string(param.Label()), u"n");
}

TEST(CGraphParam, FormatFollowsPrecisionWithAPoint) {
    struct Case {
        int precision;
        double value;
        const char* format;
        const char* text;
    };
    const Case cases[] = {
        {0, 24.0, "%.0f", "24"}, {0, 2999.6, "%.0f", "3000"},
        {1, 0.2, "%.1f", "0.2"}, {3, 1.0 / 3, "%.3f", "0.333"},
        {-2, 7.4, "%.0f", "7"},  {40, 0.5, "%.15f", "0.500000000000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.precision);
        CGraphParam param;
        param.SetPrecision(c.precision);
        EXPECT_STREQ(param.format.data(), c.format);
        EXPECT_EQ(param.FormatValue(c.value).toStdString(), c.text);
    }
}

TEST(CGraphParam, NewColourBringsANewPen) {
    CGraphParam param;
    EXPECT_EQ(param.precision, 3);
    EXPECT_STREQ(param.format.data(), "%.3f");
    EXPECT_EQ(param.pen.color(), QColor(Qt::black));
    param.SetColour(QColor(0, 128, 0));
    EXPECT_EQ(param.pen.color(), QColor(0, 128, 0));
    EXPECT_EQ(param.pen.width(), 2);
    EXPECT_EQ(param.brush.color(), QColor(Qt::black));  // markers stay filled black
}

}  // namespace
}  // namespace varnok
