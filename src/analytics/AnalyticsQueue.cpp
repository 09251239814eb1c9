#include "analytics/AnalyticsQueue.h"

#include "domain/Ids.h"
#include "domain/Log.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <QUuid>

namespace {

// Beyond this many waiting events (weeks without a connection) the oldest are dropped, so the queue
// cannot grow without bound.
constexpr qsizetype maxQueuedEvents = 5000;

QByteArray lineOf(const QJsonObject& event)
{
    return QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n';
}

}

AnalyticsQueue::AnalyticsQueue(QString directory)
    : m_directory(std::move(directory))
{
    QDir().mkpath(m_directory);
    loadIdentity();
    loadEvents();
}

void AnalyticsQueue::append(const QJsonObject& event)
{
    m_events.append(event);
    if (m_events.size() > maxQueuedEvents) {
        const qsizetype dropped = m_events.size() - maxQueuedEvents;
        m_events.remove(0, dropped);
        logLine(QStringLiteral("[Analytics] Queue full: dropped the %1 oldest events").arg(dropped));
        rewriteEvents();
        return;
    }
    QFile file(eventsPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(lineOf(event)) < 0)
        logLine(QStringLiteral("[Analytics] Could not write the event queue %1: %2").arg(eventsPath(), file.errorString()));
}

void AnalyticsQueue::removeDelivered(const QSet<QString>& insertIds)
{
    const qsizetype removed
        = m_events.removeIf([&insertIds](const QJsonObject& event) { return insertIds.contains(insertIdOf(event)); });
    if (removed > 0)
        rewriteEvents();
}

void AnalyticsQueue::startNewIdentity()
{
    m_distinctId = uuidText(QUuid::createUuid());
    writeIdentity();
}

QString AnalyticsQueue::insertIdOf(const QJsonObject& event)
{
    return event.value(QStringLiteral("properties")).toObject().value(QStringLiteral("insert_id")).toString();
}

QString AnalyticsQueue::eventsPath() const
{
    return QDir(m_directory).filePath(QStringLiteral("events.jsonl"));
}

QString AnalyticsQueue::identityPath() const
{
    return QDir(m_directory).filePath(QStringLiteral("identity"));
}

void AnalyticsQueue::loadIdentity()
{
    QFile file(identityPath());
    if (file.open(QIODevice::ReadOnly)) {
        const QString stored = QString::fromUtf8(file.readAll()).trimmed();
        if (uuidFromText(stored)) {
            m_distinctId = stored;
            return;
        }
    }
    m_distinctId = uuidText(QUuid::createUuid());
    writeIdentity();
}

// A line cut short by a crash, or written by something else, is skipped: the rest still goes out.
void AnalyticsQueue::loadEvents()
{
    QFile file(eventsPath());
    if (!file.open(QIODevice::ReadOnly))
        return;
    qsizetype skipped = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty())
            continue;
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (!document.isObject() || insertIdOf(document.object()).isEmpty()) {
            ++skipped;
            continue;
        }
        m_events.append(document.object());
    }
    if (skipped > 0) {
        logLine(QStringLiteral("[Analytics] Skipped %1 unreadable lines of the event queue").arg(skipped));
        rewriteEvents();
    }
}

void AnalyticsQueue::writeIdentity()
{
    QSaveFile file(identityPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(m_distinctId.toUtf8()) < 0 || !file.commit())
        logLine(QStringLiteral("[Analytics] Could not write %1: %2").arg(identityPath(), file.errorString()));
}

void AnalyticsQueue::rewriteEvents()
{
    QSaveFile file(eventsPath());
    bool written = file.open(QIODevice::WriteOnly);
    for (const QJsonObject& event : std::as_const(m_events)) {
        if (!written)
            break;
        written = file.write(lineOf(event)) >= 0;
    }
    if (!written || !file.commit())
        logLine(QStringLiteral("[Analytics] Could not write the event queue %1: %2").arg(eventsPath(), file.errorString()));
}
