// The windows opened by identifier ("board-settings", "board-dashboard", "account-details"). Each
// identifier has a factory that builds the window for an optional value; opening one closes the
// others first, and at most one window per identifier is open. The registry owns nothing it did not
// build: windows delete themselves when closed.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>

class AuxiliaryWindows : public QObject
{
    Q_OBJECT

public:
    struct Scene
    {
        QString title;
        QSize defaultSize;
        // Builds the window's content; an empty pointer when there is nothing to show.
        std::function<QWidget*(const QString& value)> make;
    };

    using QObject::QObject;

    void add(const QString& identifier, Scene scene);
    bool contains(const QString& identifier) const { return m_scenes.contains(identifier); }

    // Closes every auxiliary window, then opens the one asked for. Unknown identifiers open nothing.
    QWidget* open(const QString& identifier, const QString& value = QString());
    // Closes them as if the user had pressed their close buttons.
    void closeAll();
    QWidget* window(const QString& identifier) const;

Q_SIGNALS:
    void opened(const QString& identifier, QWidget* window);

private:
    QHash<QString, Scene> m_scenes;
    QHash<QString, QPointer<QWidget>> m_open;
};
