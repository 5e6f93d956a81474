#include "shell/browse_url.h"

#include <QDesktopServices>
#include <QRegularExpression>

namespace varnok {

QUrl BrowseUrl(const QString& address) {
    // A scheme is letters, digits, "+", "-" or "." before a colon; a colon
    // followed by a digit is a host name's port ("host.example:8080").
    static const QRegularExpression scheme("^[A-Za-z][A-Za-z0-9+.-]*:(?!\\d)");
    if (scheme.match(address).hasMatch()) {
        return QUrl(address);
    }
    return QUrl("http://" + address);
}

bool OpenAddress(const QString& address) {
    return QDesktopServices::openUrl(BrowseUrl(address));
}

}  // namespace varnok
