// What the load benchmark's clients measured: the latency of every request by kind, the statuses
// answered, and the writes whose outcome is unknown (no answer at all).
#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <array>

class ServerLoadStats
{
public:
    enum Kind { Sync, SyncWithItem, ItemCreate, ItemEdit, Notifications, KindCount };

    static QString name(Kind kind);

    void record(Kind kind, int status, double ms);
    int requests() const;
    // Status -> count; 0 means no HTTP answer.
    QMap<int, int> statuses() const { return m_statuses; }
    // "kind count p50 p99" lines, and one for all kinds together.
    QString table() const;

private:
    static QString row(const QString& name, QList<double> latencies);

    std::array<QList<double>, KindCount> m_latencies;
    QMap<int, int> m_statuses;
};
