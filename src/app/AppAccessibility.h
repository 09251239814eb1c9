// What screen readers learn beyond Qt's own widgets: the toast banner is a notification, the item
// card a list item, the status tabs a tab list (all plain painted or tool-button widgets to Qt), an
// open popup menu a window of the application, and announcing a message.
#pragma once

class QString;
class QWidget;

namespace AppAccessibility {
// Registers the roles once for the whole application, before any window is made; later calls do
// nothing.
void install();
// Names `source` with `text` and tells assistive technology it has just appeared, which is what
// makes a screen reader read a notification out (a changed name alone is read only when it is the
// focused object's).
void announce(QWidget* source, const QString& text);
// An invisible notification under `parent`, for news a screen reader should hear where nothing
// visible changes (Qt 6.4 has no announcement event); pass it to announce().
QWidget* makeAnnouncer(QWidget* parent);
}
