// Handing an address to the user's web browser or mail program.
#pragma once

#include <QString>
#include <QUrl>

namespace varnok {

// The URL for an address: a bare host name ("www.kmor.example") gets
// "http://" in front; an address with a scheme ("mailto:...") stays as it is.
QUrl BrowseUrl(const QString& address);

// Opens the address with the desktop's handler; false when none took it.
bool OpenAddress(const QString& address);

}  // namespace varnok
