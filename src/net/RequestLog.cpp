#include "net/RequestLog.h"

#include <QStringList>

QString redactedHeaders(const QMap<QString, QString>& headers)
{
    QStringList entries;
    for (auto it = headers.constBegin(); it != headers.constEnd(); ++it) {
        QString value = it.value();
        if (it.key() == QLatin1String("Authorization"))
            value = value.startsWith(QLatin1String("Bearer ")) ? QStringLiteral("Bearer ***redacted***")
                                                               : QStringLiteral("***redacted***");
        entries.append(QStringLiteral("\"%1\": \"%2\"").arg(it.key(), value));
    }
    return QLatin1Char('{') + entries.join(QStringLiteral(", ")) + QLatin1Char('}');
}

QString requestLogLine(const ServiceRequest& request)
{
    const QString url = request.url.isEmpty() ? QStringLiteral("?") : request.url.toString(QUrl::FullyEncoded);
    return QStringLiteral("🌐 [Net] → %1 %2 headers=%3")
        .arg(QString::fromLatin1(request.method), url, redactedHeaders(request.headers));
}
