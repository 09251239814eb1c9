#include "FaultInjector.h"

#include <QJsonDocument>
#include <QJsonObject>

std::expected<Fault, QString> Fault::fromJson(const QJsonObject& json)
{
    Fault fault;
    const QString kind = json.value(QStringLiteral("kind")).toString();
    if (kind == QLatin1String("delay"))
        fault.kind = Kind::Delay;
    else if (kind == QLatin1String("status"))
        fault.kind = Kind::Status;
    else if (kind == QLatin1String("close"))
        fault.kind = Kind::Close;
    else if (kind == QLatin1String("malformed"))
        fault.kind = Kind::Malformed;
    else if (kind == QLatin1String("dropAnswer"))
        fault.kind = Kind::DropAnswer;
    else if (kind == QLatin1String("delayAnswer"))
        fault.kind = Kind::DelayAnswer;
    else
        return std::unexpected(
            QStringLiteral("\"kind\" must be delay, status, close, malformed, dropAnswer or delayAnswer."));

    fault.remaining = json.value(QStringLiteral("count")).toInt(1);
    if (fault.remaining < 1)
        return std::unexpected(QStringLiteral("\"count\" must be at least 1."));
    fault.pathPrefix = json.value(QStringLiteral("pathPrefix")).toString();
    fault.delayMs = json.value(QStringLiteral("delayMs")).toInt(0);
    if ((fault.kind == Kind::Delay || fault.kind == Kind::DelayAnswer) && fault.delayMs <= 0)
        return std::unexpected(QStringLiteral("A delay needs \"delayMs\" above 0."));
    fault.status = json.value(QStringLiteral("status")).toInt(fault.kind == Kind::Malformed ? 200 : 500);
    if (fault.status < 100 || fault.status > 599)
        return std::unexpected(QStringLiteral("\"status\" must be an HTTP status."));
    const QJsonValue body = json.value(QStringLiteral("body"));
    if (body.isString())
        fault.body = body.toString().toUtf8();
    else if (body.isObject())
        fault.body = QJsonDocument(body.toObject()).toJson(QJsonDocument::Compact);
    else if (!body.isUndefined() && !body.isNull())
        return std::unexpected(QStringLiteral("\"body\" must be text or a JSON object."));
    if (json.contains(QStringLiteral("contentType")))
        fault.contentType = json.value(QStringLiteral("contentType")).toString().toUtf8();
    return fault;
}

void FaultInjector::arm(const Fault& fault)
{
    const std::lock_guard lock(m_mutex);
    m_faults.append(fault);
}

void FaultInjector::clear()
{
    const std::lock_guard lock(m_mutex);
    m_faults.clear();
}

std::optional<Fault> FaultInjector::take(const QString& path)
{
    const std::lock_guard lock(m_mutex);
    for (qsizetype i = 0; i < m_faults.size(); ++i) {
        Fault& fault = m_faults[i];
        if (!path.startsWith(fault.pathPrefix))
            continue;
        const Fault taken = fault;
        if (--fault.remaining <= 0)
            m_faults.removeAt(i);
        return taken;
    }
    return std::nullopt;
}
