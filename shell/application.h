// The application object and the program's start-up guards.
//
// Exceptions: the program's own code reports failures as results and throws
// nothing; exceptions can only come from the libraries. One raised inside an
// event handler is shown in a message box with its message and the program
// goes on. One raised while the windows are created, or one that ends the
// event loop, is shown the same way and the program ends. An exception that
// is not a std::exception is shown with an empty message.
//
// Main thread only.
#pragma once

#include <QApplication>
#include <QString>
#include <functional>

namespace varnok {

class VarnokApplication : public QApplication {
    Q_OBJECT

public:
    // Sets the title ("Varnok"), the organisation and the version.
    VarnokApplication(int& argc, char** argv);

    // Delivers the event; an exception from a handler is shown and dropped.
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows an exception's message in a message box with the application title.
void ShowException(const QString& message);

// Runs `body` and returns its result; an exception it raises is shown by
// ShowException and gives 1.
int RunGuarded(const std::function<int()>& body);

// Loads Qt's own Russian texts (standard buttons, edit menus) and installs
// them on the application. False when the translation was not found.
bool LoadTranslations(QCoreApplication& application);

}  // namespace varnok
