#include "ServerLoadStats.h"

#include <algorithm>
#include <cmath>

QString ServerLoadStats::name(Kind kind)
{
    switch (kind) {
    case Sync:
        return QStringLiteral("incremental sync");
    case SyncWithItem:
        return QStringLiteral("sync with a pending item");
    case ItemCreate:
        return QStringLiteral("item create (POST)");
    case ItemEdit:
        return QStringLiteral("item edit (PATCH)");
    case Notifications:
        return QStringLiteral("notification poll");
    case KindCount:
        break;
    }
    return {};
}

void ServerLoadStats::record(Kind kind, int status, double ms)
{
    m_latencies[kind].append(ms);
    ++m_statuses[status];
}

int ServerLoadStats::requests() const
{
    int count = 0;
    for (const QList<double>& latencies : m_latencies)
        count += int(latencies.size());
    return count;
}

QString ServerLoadStats::row(const QString& name, QList<double> latencies)
{
    std::sort(latencies.begin(), latencies.end());
    // Nearest rank: the smallest latency at or above the share of all requests.
    auto percentile = [&latencies](double share) {
        if (latencies.isEmpty())
            return 0.0;
        const qsizetype rank = qsizetype(std::ceil(share * double(latencies.size())));
        return latencies.at(std::clamp<qsizetype>(rank - 1, 0, latencies.size() - 1));
    };
    return QStringLiteral("| %1 | %2 | %3 | %4 |\n")
        .arg(name)
        .arg(latencies.size())
        .arg(percentile(0.50), 0, 'f', 1)
        .arg(percentile(0.99), 0, 'f', 1);
}

QString ServerLoadStats::table() const
{
    QString text = QStringLiteral("| Request | Count | p50 ms | p99 ms |\n|---|---|---|---|\n");
    QList<double> all;
    for (int kind = 0; kind < KindCount; ++kind) {
        text += row(name(Kind(kind)), m_latencies[kind]);
        all += m_latencies[kind];
    }
    return text + row(QStringLiteral("all"), all);
}
