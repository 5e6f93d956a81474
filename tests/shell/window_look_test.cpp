// The window at its smallest size in each view: every caption fits its
// control, no two controls of a group overlap, and the Settings group lies
// inside its panel. With VARNOK_SCREENSHOTS set to a folder, each view is
// also saved there as a PNG to look at.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QSettings>
#include <QTest>

#include "shell/about_box.h"
#include "shell/main_form.h"
#include "tests/shell/qt_print.h"
#include "tests/shell/window_fixture.h"

namespace varnok {
namespace {

void SaveScreenshot(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("VARNOK_SCREENSHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        EXPECT_TRUE(window.grab().save(QDir(folder).filePath(name + ".png")));
    }
}

// Captions that need more room than their control has.
QStringList CutCaptions(const QWidget* root) {
    QStringList cut;
    for (const QWidget* widget : root->findChildren<QWidget*>()) {
        if (!widget->isVisible()) {
            continue;
        }
        const bool captioned = qobject_cast<const QLabel*>(widget) != nullptr ||
                               qobject_cast<const QAbstractButton*>(widget) != nullptr;
        if (captioned && widget->sizeHint().width() > widget->width()) {
            cut << widget->objectName();
        }
    }
    return cut;
}

// Pairs of visible children of `group` that overlap.
QStringList Overlaps(const QWidget* group) {
    QStringList pairs;
    const QList<QWidget*> children = group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (qsizetype i = 0; i < children.size(); ++i) {
        for (qsizetype j = i + 1; j < children.size(); ++j) {
            const QWidget* a = children[i];
            const QWidget* b = children[j];
            if (a->isVisible() && b->isVisible() && a->geometry().intersects(b->geometry())) {
                pairs << a->objectName() + "/" + b->objectName();
            }
        }
    }
    return pairs;
}

using WindowLook = test::WindowFixture;

TEST_F(WindowLook, EveryViewFitsTheSmallestWindow) {
    TForm1 window(sock);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_EQ(window.frameGeometry().size(), QSize(800, 600));

    const std::pair<QAction*, const char*> views[] = {
        {window.N6, "information"}, {window.N7, "errors"}, {window.N8, "settings"}};
    for (const auto& [item, name] : views) {
        SCOPED_TRACE(name);
        item->trigger();
        EXPECT_EQ(CutCaptions(&window), QStringList());
        for (const QWidget* group :
             {static_cast<QWidget*>(window.GroupBox1), static_cast<QWidget*>(window.GroupBox2),
              static_cast<QWidget*>(window.Panel3), static_cast<QWidget*>(window.GroupBox3),
              static_cast<QWidget*>(window.GroupBox8)}) {
            EXPECT_EQ(Overlaps(group), QStringList()) << group->objectName().toStdString();
        }
        SaveScreenshot(window, QString("varnok-") + name);
    }
    EXPECT_TRUE(window.Panel6->rect().contains(window.GroupBox3->geometry()));
    EXPECT_TRUE(window.GroupBox3->rect().contains(window.GroupBox8->geometry()));
}

TEST_F(WindowLook, SettingsLabelsNameTheControlBesideThem) {
    TForm1 window(sock);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.N8->trigger();
    struct Pair {
        QLabel* label;
        QWidget* control;
        const char* caption;
    };
    const Pair pairs[] = {
        {window.Label7, window.Button5, "Настройка педали 1:"},
        {window.Label14, window.Button7, "Настройка педали 2:"},
        {window.Label1, window.Edit1, "Константа тахографа, имп/км:"},
        {window.Label2, window.Edit2, "Ограничение скорости, км/ч:"},
        {window.Label3, window.ComboBox3, "Передаточное отношение тахометра:"},
        {window.Label9, window.Edit3, "Коэффициент Kd регулятора частоты вращения (2000...5000):"},
        {window.Label10, window.Edit4,
         "Минимальные обороты холостого хода прогретого двигателя, об/мин (600...670):"},
        {window.Label11, window.Edit5,
         "Максимальная коррекция педали прогретого двигателя, %(12...18):"},
        {window.Label4, window.Edit8, "Коэффициент Kp регулятора положения рейки (3500...5500):"},
        {window.Label12, window.Edit6,
         "Текущее значение минимальных оборотов холостого хода, об/мин:"},
        {window.Label13, window.Edit7, "Текущее значение коррекции педали, %:"},
    };
    for (const auto& [label, control, caption] : pairs) {
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_EQ(label->text(), caption);
        EXPECT_EQ(label->buddy(), control);
        EXPECT_TRUE(label->alignment() & Qt::AlignRight);
        const QRect labelBox(label->mapTo(&window, QPoint()), label->size());
        const QRect controlBox(control->mapTo(&window, QPoint()), control->size());
        EXPECT_LE(labelBox.right(), controlBox.left()) << "the label stands left of its control";
        EXPECT_LE(std::abs(labelBox.center().y() - controlBox.center().y()), 2) << "same row";
    }
}

TEST_F(WindowLook, OtherViewsCoverTheGraphSurface) {
    TForm1 window(sock);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QColor panelColour = window.Panel2->palette().color(QPalette::Window);
    ASSERT_NE(panelColour, window.GraphSurface->palette().color(QPalette::Base));

    // A point in the graph area that the Errors and Settings panels cover.
    const QPoint inGraphArea = window.GraphSurface->mapTo(&window, QPoint(250, 12));
    for (QAction* item : {window.N7, window.N8}) {
        SCOPED_TRACE(item->objectName().toStdString());
        item->trigger();
        EXPECT_EQ(window.grab().toImage().pixelColor(inGraphArea), panelColour);
    }
}

TEST_F(WindowLook, AboutBoxFitsItsFixedSize) {
    TForm1 window(sock);
    TForm3 about(window.BrowseURL1, window.BrowseURL2);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    EXPECT_EQ(CutCaptions(&about), QStringList());
    EXPECT_EQ(Overlaps(about.GroupBox2), QStringList());
    for (const QWidget* label :
         {static_cast<QWidget*>(about.Label1), static_cast<QWidget*>(about.Label4),
          static_cast<QWidget*>(about.Label5), static_cast<QWidget*>(about.Label6)}) {
        EXPECT_TRUE(about.GroupBox2->contentsRect().contains(label->geometry()))
            << label->objectName().toStdString();
    }
    SaveScreenshot(about, "varnok-about");
    about.hide();
}

}  // namespace
}  // namespace varnok
