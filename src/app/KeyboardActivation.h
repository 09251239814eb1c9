// Return and Enter press the focused button, as Space does. Qt's tool buttons and plain push
// buttons outside dialogs only answer Space; keyboard users expect both keys to work everywhere.
#pragma once

#include <QObject>

class KeyboardActivation : public QObject
{
    Q_OBJECT

public:
    // Watches the whole application; later calls do nothing.
    static void install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
