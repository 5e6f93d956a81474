// The Errors view in the real window against varnok-unit on a
// pseudo-terminal: refresh, clear, and a unit that stops answering.
#include <gtest/gtest.h>

#include <QTest>

#include "shell/main_form.h"
#include "tests/shell/window_fixture.h"
#include "tools/virtual-unit/virtual_unit.h"

namespace varnok::test {
namespace {

class ErrorsViewWithUnit : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        unit::UnitOptions options;
        options.model.driver = false;
        options.line.pace = false;
        unitOnLine = std::make_unique<unit::VirtualUnit>(options);
        std::string error;
        ASSERT_TRUE(unitOnLine->Start(error)) << error;
        form = std::make_unique<TForm1>(sock);
        form->show();
        form->ComboBox1->setEditText(QString::fromStdString(unitOnLine->PortName()));
        form->Button1->click();
        ASSERT_EQ(form->isConnected, 1) << form->StatusText().toStdString();
        form->N7Click();
    }
    void TearDown() override {
        form->close();
        form.reset();
        unitOnLine.reset();
    }
    QStringList Rows() const {
        QStringList rows;
        for (int i = 0; i < form->ListView1->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = form->ListView1->topLevelItem(i);
            rows << item->text(0) + " | " + item->text(1) + " | " + item->text(2);
        }
        return rows;
    }

    std::unique_ptr<unit::VirtualUnit> unitOnLine;
    std::unique_ptr<TForm1> form;
};

TEST_F(ErrorsViewWithUnit, RefreshListsTheUnitsFaultsAndClearEmptiesThem) {
    unitOnLine->WithModel([](unit::UnitModel& model) {
        model.ClearFaults();
        model.SetFault(0, 0, 0x1);   // P0725, fault
        model.SetFault(16, 2, 0x1);  // P1902, fault, with the self-test code
        model.SetFault(16, 3, 0x4);  // P1904, recurring
        model.Poke(602, 0, 2, 1);
    });
    form->Button2->click();
    EXPECT_EQ(Rows(), QStringList({
                          "1 | P0725 Сбой датчика датчика частоты вращения двигателя A | Ошибка ",
                          "2 | P1902 Ошибка начального тестирования системы - Останов двигателя "
                          "(1 - Не откалиброван датчик рейки) | Ошибка ",
                          "3 | P1904 Ошибка автокалибровки датчика положения рейки - Останов "
                          "двигателя | Повторяющаяся ",
                      }));

    form->Button3->click();
    EXPECT_EQ(form->ListView1->topLevelItemCount(), 0) << "emptied at once";
    form->Button2->click();
    EXPECT_EQ(Rows(), QStringList()) << "the unit's fault memory was cleared";
    EXPECT_EQ(form->isConnected, 1);
}

TEST_F(ErrorsViewWithUnit, ASilentUnitMakesRefreshDisconnectAndKeepsTheRows) {
    form->Button2->click();
    const QStringList before = Rows();
    ASSERT_FALSE(before.isEmpty());
    unitOnLine->GoSilent();
    form->Button2->click();
    EXPECT_EQ(form->isConnected, 0);
    EXPECT_EQ(form->StatusText(), "Отключен");
    EXPECT_EQ(Rows(), before);
}

}  // namespace
}  // namespace varnok::test
