#include "shell/application.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <stdexcept>

#include "settings/message_box.h"
#include "tests/shell/qt_print.h"

namespace varnok {
namespace {

struct ThrowsOnEvent : QObject {
    std::function<void()> raise;
    bool event(QEvent*) override {
        raise();
        return true;
    }
};

class ShownMessages {
public:
    ShownMessages()
        : answer([this](const MessageBoxRequest& request) {
              shown.push_back(request);
              return QMessageBox::Ok;
          }) {}
    std::vector<MessageBoxRequest> shown;

private:
    MessageBoxAnswer answer;
};

TEST(Application, ExceptionInAnEventHandlerIsShownAndTheProgramGoesOn) {
    ShownMessages messages;
    ThrowsOnEvent receiver;
    receiver.raise = [] { throw std::runtime_error("Ошибка чтения"); };
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&receiver, &event));

    receiver.raise = [] { throw 42; };
    EXPECT_FALSE(QCoreApplication::sendEvent(&receiver, &event));

    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "Ошибка чтения");
    EXPECT_EQ(messages.shown[0].title, "Varnok");
    EXPECT_EQ(messages.shown[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages.shown[1].text, "") << "not a std::exception: an empty message";
}

TEST(Application, StartUpExceptionIsShownAndEndsTheProgram) {
    ShownMessages messages;
    EXPECT_EQ(RunGuarded([] { return 0; }), 0);
    EXPECT_EQ(RunGuarded([]() -> int { throw std::logic_error("нет окна"); }), 1);
    EXPECT_EQ(RunGuarded([]() -> int { throw "text"; }), 1);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "нет окна");
    EXPECT_EQ(messages.shown[1].text, "");
}

TEST(Application, TitleAndQtsOwnTextsAreRussian) {
    EXPECT_EQ(QCoreApplication::applicationName(), "Varnok");
    EXPECT_EQ(QCoreApplication::applicationVersion(), "1.4.0.143");
    ASSERT_TRUE(LoadTranslations(*QCoreApplication::instance()));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Отмена");
}

}  // namespace
}  // namespace varnok
