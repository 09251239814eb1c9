// What screen readers learn beyond Qt's own widgets: the toast banner is an alert and the item card
// a list item (both are plain painted widgets to Qt), and announcing a message as an alert.
#pragma once

class QString;
class QWidget;

namespace AppAccessibility {
// Registers the roles once for the whole application; later calls do nothing.
void install();
// Names `source` with `text` and tells assistive technology to read it out now.
void announce(QWidget* source, const QString& text);
}
