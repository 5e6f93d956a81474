#include "shell/application.h"

#include <QLibraryInfo>
#include <QTranslator>
#include <exception>
#include <memory>

#include "settings/message_box.h"
#include "shell/program_info.h"

namespace varnok {

VarnokApplication::VarnokApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(kApplicationTitle);
    setOrganizationName("KMOR");
    setApplicationVersion(kProgramVersion);
}

bool VarnokApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ShowException(QString());
    }
    return false;
}

void ShowException(const QString& message) {
    ShowMessageBox(nullptr, MessageBoxRequest{QMessageBox::Critical, kApplicationTitle, message,
                                              QMessageBox::Ok, QMessageBox::Ok});
}

int RunGuarded(const std::function<int()>& body) {
    try {
        return body();
    } catch (const std::exception& error) {
        ShowException(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ShowException(QString());
    }
    return 1;
}

bool LoadTranslations(QCoreApplication& application) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load("qtbase_ru", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    // The application owns it from here, so it lives as long as its texts are used.
    translator->setParent(&application);
    return QCoreApplication::installTranslator(translator.release());
}

}  // namespace varnok
