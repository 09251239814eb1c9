// Faults that tests arm through /__admin/faults: the next N requests (optionally only those whose
// path starts with a prefix) are delayed, answered with a given status and body, cut off without an
// answer, or answered 200 with a body that is not valid JSON; those replace the processing. Two more
// let the service carry the request out first: its answer is then lost (the connection drops before
// a byte of it) or sent late. Admin requests are never affected.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <expected>
#include <mutex>
#include <optional>

class QJsonObject;

struct Fault
{
    enum class Kind { Delay, Status, Close, Malformed, DropAnswer, DelayAnswer };

    Kind kind = Kind::Status;
    int remaining = 1;
    QString pathPrefix;
    int delayMs = 0;
    int status = 500;
    std::optional<QByteArray> body;
    QByteArray contentType = "application/json";

    // Reads {"kind", "count", "pathPrefix", "delayMs", "status", "body", "contentType"}.
    static std::expected<Fault, QString> fromJson(const QJsonObject& json);
};

// Armed by the admin routes on a worker, taken by the HTTP front on a network thread.
class FaultInjector
{
public:
    void arm(const Fault& fault);
    void clear();
    // The fault for this request, used up by one; the earliest armed matching fault goes first.
    std::optional<Fault> take(const QString& path);

private:
    std::mutex m_mutex;
    QList<Fault> m_faults;
};
