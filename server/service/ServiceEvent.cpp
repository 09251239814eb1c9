#include "ServiceEvent.h"

#include "KeyStyle.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr std::string_view kindLetters = "blns";

QByteArray dataOf(const QJsonObject& data, bool snakeCase)
{
    const QJsonObject shown = snakeCase ? KeyStyle::toSnakeCase(data).toObject() : data;
    return QJsonDocument(shown).toJson(QJsonDocument::Compact);
}

} // namespace

QByteArray ServiceEvent::streamName() const
{
    switch (kind) {
    case Kind::BoardChanged:
        return QByteArrayLiteral("board-changed");
    case Kind::BoardsChanged:
        return QByteArrayLiteral("boards-changed");
    case Kind::Notification:
        return QByteArrayLiteral("notification");
    case Kind::SessionEnded:
        return QByteArrayLiteral("session-revoked");
    }
    return {};
}

QByteArray ServiceEvent::frame(bool snakeCase) const
{
    QJsonObject data;
    if (kind == Kind::BoardChanged) {
        data.insert(QStringLiteral("boardId"), boardId);
        data.insert(QStringLiteral("checkpoint"), checkpoint);
    }
    if (kind == Kind::BoardChanged || kind == Kind::BoardsChanged)
        data.insert(QStringLiteral("session"), actingSession);
    return "event: " + streamName() + "\ndata: " + dataOf(data, snakeCase) + "\n\n";
}

QByteArray ServiceEvent::toWire(const QByteArray& origin) const
{
    QJsonObject wire {{QStringLiteral("o"), QString::fromLatin1(origin)},
        {QStringLiteral("k"), QString(QChar::fromLatin1(kindLetters[std::size_t(kind)]))}};
    if (!boardId.isEmpty())
        wire.insert(QStringLiteral("b"), boardId);
    if (checkpoint != 0)
        wire.insert(QStringLiteral("c"), checkpoint);
    if (!actingSession.isEmpty())
        wire.insert(QStringLiteral("s"), actingSession);
    if (!accounts.isEmpty())
        wire.insert(QStringLiteral("a"), QJsonArray::fromStringList(accounts));
    if (!endedSession.isEmpty())
        wire.insert(QStringLiteral("x"), endedSession);
    return QJsonDocument(wire).toJson(QJsonDocument::Compact);
}

std::optional<ServiceEvent> ServiceEvent::fromWire(const QByteArray& text, QByteArray* origin)
{
    const QJsonObject wire = QJsonDocument::fromJson(text).object();
    const QString letter = wire.value(QStringLiteral("k")).toString();
    const std::size_t kind
        = letter.size() == 1 ? kindLetters.find(char(letter.at(0).toLatin1())) : std::string_view::npos;
    if (kind == std::string_view::npos)
        return std::nullopt;
    ServiceEvent event;
    event.kind = Kind(kind);
    event.boardId = wire.value(QStringLiteral("b")).toString();
    event.checkpoint = wire.value(QStringLiteral("c")).toInteger();
    event.actingSession = wire.value(QStringLiteral("s")).toString();
    for (const QJsonValue& account : wire.value(QStringLiteral("a")).toArray())
        event.accounts.append(account.toString());
    event.endedSession = wire.value(QStringLiteral("x")).toString();
    if (origin)
        *origin = wire.value(QStringLiteral("o")).toString().toLatin1();
    return event;
}

QString ServiceEvent::sessionTag(const QString& sessionId)
{
    if (sessionId.isEmpty())
        return {};
    // A one-way digest: the tag names the session to its clients without being its id.
    const QByteArray digest
        = QCryptographicHash::hash("plenko-session-tag:" + sessionId.toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.left(12).toHex());
}
