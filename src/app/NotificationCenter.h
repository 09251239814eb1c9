// Posts and observes application notifications by name. Observers are tied to a context object and
// disappear with it, so a closed window never receives a late notification.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class NotificationCenter : public QObject
{
    Q_OBJECT

public:
    explicit NotificationCenter(QObject* parent = nullptr);

    // The process's default centre, made on first use.
    static NotificationCenter& defaultCenter();

    void post(const QString& name);
    QMetaObject::Connection observe(const QString& name, const QObject* context, std::function<void()> handler);

Q_SIGNALS:
    void posted(const QString& name);
};
