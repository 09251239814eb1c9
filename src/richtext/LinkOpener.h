// Opens an address from item text. Web and mail addresses open at once; any other scheme (file:,
// an application's own scheme) could act on this computer, so the user is asked first.
#pragma once

#include <QUrl>

class QWidget;

namespace LinkOpener {

// http, https and mailto.
bool opensWithoutAsking(const QUrl& url);

// Opens the address through the desktop, asking first when its scheme needs it; false when it was
// not opened (declined, or the desktop could not).
bool open(const QUrl& url, QWidget* parent);

} // namespace LinkOpener
