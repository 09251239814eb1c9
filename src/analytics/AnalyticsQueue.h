// The events waiting for upload and the anonymous identity they carry, kept in one folder so both
// survive restarts: "events.jsonl" holds one event object a line (appended as events are tracked,
// rewritten when a batch is delivered), "identity" holds the random distinct id.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>

class AnalyticsQueue
{
public:
    explicit AnalyticsQueue(QString directory);

    const QString& distinctId() const { return m_distinctId; }
    const QList<QJsonObject>& events() const { return m_events; }
    bool isEmpty() const { return m_events.isEmpty(); }

    // Each event carries a unique "insert_id" in its properties; delivery is acknowledged by those ids.
    void append(const QJsonObject& event);
    void removeDelivered(const QSet<QString>& insertIds);

    // A new anonymous identity for the events tracked from now on; queued events keep the one they
    // were tracked with and still go out.
    void startNewIdentity();

    static QString insertIdOf(const QJsonObject& event);

private:
    QString eventsPath() const;
    QString identityPath() const;
    void loadIdentity();
    void loadEvents();
    void writeIdentity();
    void rewriteEvents();

    QString m_directory;
    QString m_distinctId;
    QList<QJsonObject> m_events;
};
