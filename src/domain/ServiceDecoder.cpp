#include "domain/ServiceDecoder.h"

#include "domain/WireRecordReaders.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace {
template<typename T>
struct RecordReader;

#define PLENKO_RECORD_READER(Record, readFunction, recordName)                                           \
    template<>                                                                                           \
    struct RecordReader<Record>                                                                          \
    {                                                                                                    \
        static Record read(JsonRecordReader& reader) { return readFunction(reader); }                   \
        static QString name() { return QStringLiteral(recordName); }                                     \
    };

PLENKO_RECORD_READER(StartLoginResponse, readStartLoginResponse, "StartLoginResponse")
PLENKO_RECORD_READER(LoginTokens, readLoginTokens, "LoginTokens")
PLENKO_RECORD_READER(CurrentUserResponse, readCurrentUserResponse, "CurrentUserResponse")
PLENKO_RECORD_READER(RemoteBoard, readRemoteBoard, "RemoteBoard")
PLENKO_RECORD_READER(RemoteBoardResponse, readRemoteBoardResponse, "RemoteBoardResponse")
PLENKO_RECORD_READER(SyncResponse, readSyncResponse, "SyncResponse")
PLENKO_RECORD_READER(ItemResponse, readItemResponse, "ItemResponse")
PLENKO_RECORD_READER(InvitationResponse, readInvitationResponse, "InvitationResponse")
PLENKO_RECORD_READER(ImproveTextResponse, readImproveTextResponse, "ImproveTextResponse")
PLENKO_RECORD_READER(NotificationFeedResponse, readNotificationFeedResponse, "NotificationFeedResponse")

#undef PLENKO_RECORD_READER

template<typename T>
struct IsList : std::false_type
{
};

template<typename E>
struct IsList<QList<E>> : std::true_type
{
    using Element = E;
};

std::expected<QJsonDocument, QString> parse(const QByteArray& body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return std::unexpected(
            QStringLiteral("Not valid JSON: %1 at offset %2").arg(error.errorString()).arg(error.offset));
    return document;
}

// Most answers are plain JSON that decodes without a failure: read them through an index of the text
// rather than a whole QJsonDocument. Absent when the text is outside what the index reads or when
// anything fails; the caller then decodes it through QJsonDocument, which words the error.
template<typename T>
std::optional<T> decodeIndexed(const QByteArray& body)
{
    const std::optional<JsonIndex> index = JsonIndex::build(body);
    if (!index)
        return std::nullopt;
    if constexpr (IsList<T>::value) {
        const JsonIndex::Kind kind = index->node(0).kind;
        if (kind != JsonIndex::Kind::array)
            return std::nullopt;
        return readIndexedObjectArray(
            *index, index->node(0), RecordReader<typename IsList<T>::Element>::read);
    } else {
        return readIndexedObject(*index, index->node(0), RecordReader<T>::read);
    }
}

template<typename Read>
auto readTopLevel(const QJsonObject& object, Read read)
    -> std::expected<decltype(read(std::declval<JsonRecordReader&>())), QString>
{
    JsonRecordReader reader(object);
    auto record = read(reader);
    if (reader.failed())
        return std::unexpected(reader.error());
    return record;
}
}

template<typename T>
std::expected<T, QString> decodeServiceResponse(const QByteArray& body)
{
    if (std::optional<T> record = decodeIndexed<T>(body))
        return std::move(*record);

    const auto document = parse(body);
    if (!document)
        return std::unexpected(document.error());

    if constexpr (IsList<T>::value) {
        using Element = typename IsList<T>::Element;
        if (!document->isArray())
            return std::unexpected(QStringLiteral("Expected a JSON array of %1").arg(RecordReader<Element>::name()));
        JsonRecordReader owner { QJsonObject() };
        T records = readObjectArray(document->array(), QString(), RecordReader<Element>::read, owner);
        if (owner.failed())
            return std::unexpected(owner.error());
        return records;
    } else {
        if (!document->isObject())
            return std::unexpected(QStringLiteral("Expected a JSON object for %1").arg(RecordReader<T>::name()));
        return readTopLevel(document->object(), RecordReader<T>::read);
    }
}

template<typename T>
QString serviceRecordName()
{
    if constexpr (IsList<T>::value)
        return QStringLiteral("Array<%1>").arg(RecordReader<typename IsList<T>::Element>::name());
    else
        return RecordReader<T>::name();
}

#define PLENKO_INSTANTIATE(Record)                                                                       \
    template std::expected<Record, QString> decodeServiceResponse<Record>(const QByteArray&);            \
    template QString serviceRecordName<Record>();

PLENKO_INSTANTIATE(StartLoginResponse)
PLENKO_INSTANTIATE(LoginTokens)
PLENKO_INSTANTIATE(CurrentUserResponse)
PLENKO_INSTANTIATE(RemoteBoard)
PLENKO_INSTANTIATE(QList<RemoteBoard>)
PLENKO_INSTANTIATE(RemoteBoardResponse)
PLENKO_INSTANTIATE(SyncResponse)
PLENKO_INSTANTIATE(ItemResponse)
PLENKO_INSTANTIATE(InvitationResponse)
PLENKO_INSTANTIATE(ImproveTextResponse)
PLENKO_INSTANTIATE(NotificationFeedResponse)

#undef PLENKO_INSTANTIATE

std::expected<BoardUser, QString> boardUserFromJson(const QJsonObject& object)
{
    return readTopLevel(object, readBoardUser);
}

std::expected<User, QString> userFromJson(const QJsonObject& object)
{
    return readTopLevel(object, readUser);
}

std::expected<RemoteItem, QString> remoteItemFromJson(const QJsonObject& object)
{
    return readTopLevel(object, readRemoteItem);
}

std::expected<RemoteBoard, QString> remoteBoardFromJson(const QJsonObject& object)
{
    return readTopLevel(object, readRemoteBoard);
}

std::expected<ItemStatus, QString> itemStatusFromJson(const QJsonValue& value)
{
    if (!value.isString())
        return std::unexpected(QStringLiteral("Wrong type for status (expected a string)"));
    if (const auto status = itemStatusFromText(value.toString()))
        return *status;
    return std::unexpected(QStringLiteral("Bad status: ") + value.toString());
}

std::expected<BoardRole, QString> boardRoleFromJson(const QJsonValue& value)
{
    if (!value.isString())
        return std::unexpected(QStringLiteral("Wrong type for role (expected a string)"));
    return BoardRole::fromText(value.toString());
}
