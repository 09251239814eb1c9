#include "domain/ApiError.h"
#include "domain/Ids.h"
#include "domain/IsoDate.h"
#include "domain/JsonRecordReader.h"
#include "domain/ServiceDecoder.h"
#include "domain/WireConversions.h"
#include "wirecodec/RequestDecoder.h"
#include "wirecodec/ResponseEncoder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>

namespace {
const QUuid boardId = QUuid::fromString(QStringLiteral("0A7B2C3D-1111-4222-8333-444455556666"));
const QUuid userId = QUuid::fromString(QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F"));
const QUuid itemId = QUuid::fromString(QStringLiteral("9F1D6C2B-7E4A-4B8C-9D0E-1F2A3B4C5D6E"));
const QDateTime may1 = QDateTime(QDate(2024, 5, 1), QTime(12, 30), Qt::UTC);

QByteArray json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The error of decoding body as the named record, or "" when it decodes.
template<typename Expected>
QString errorText(const Expected& result)
{
    return result ? QString() : result.error();
}

template<typename T>
QString errorOf(const QByteArray& body)
{
    return errorText(decodeServiceResponse<T>(body));
}

// Every record the service answers with, under the name its decoding errors give it.
struct Record {
    QString name;
    QString (*errorOf)(const QByteArray&);
    QString (*recordName)();
};

template<typename T>
Record record(const char* name)
{
    return { QString::fromLatin1(name), errorOf<T>, serviceRecordName<T> };
}

const QList<Record> records { record<StartLoginResponse>("StartLoginResponse"), record<LoginTokens>("LoginTokens"),
    record<CurrentUserResponse>("CurrentUserResponse"), record<RemoteBoard>("RemoteBoard"),
    record<QList<RemoteBoard>>("Array<RemoteBoard>"), record<RemoteBoardResponse>("RemoteBoardResponse"),
    record<SyncResponse>("SyncResponse"), record<ItemResponse>("ItemResponse"),
    record<InvitationResponse>("InvitationResponse"), record<ImproveTextResponse>("ImproveTextResponse"),
    record<NotificationFeedResponse>("NotificationFeedResponse") };

QString decodeErrorAs(const QString& name, const QByteArray& body)
{
    for (const Record& each : records) {
        if (each.name == name)
            return each.errorOf(body);
    }
    qFatal("unknown record %s", qPrintable(name));
}

RemoteItem fullItem()
{
    RemoteItem item;
    item.id = itemId;
    item.content = QStringLiteral("Ship **it** @ana");
    item.status = QStringLiteral("IN_PROGRESS");
    item.boardId = boardId;
    item.createdAt = QStringLiteral("2024-05-01T12:30:00Z");
    item.createdBy = userId;
    item.assignee = userId;
    item.author = QStringLiteral("Ana");
    item.order = 4;
    item.updatedAt = QStringLiteral("2024-05-02T08:00:00Z");
    item.deletedAt = QStringLiteral("2024-05-03T08:00:00Z");
    item.archivedAt = QStringLiteral("2024-05-04T08:00:00Z");
    item.revision = 9007199254740993; // beyond what a double holds exactly
    return item;
}

RemoteBoard fullBoard()
{
    RemoteBoard board;
    board.id = boardId;
    board.name = QStringLiteral("Launch");
    board.createdAt = QStringLiteral("2024-05-01T12:30:00Z");
    board.updatedAt = QStringLiteral("2024-05-02T12:30:00Z");
    board.createdBy = QStringLiteral("ana@example.com");
    board.info = QStringLiteral("What ships in May");
    board.active = false;
    board.revision = 12;
    return board;
}

BoardUser fullMember()
{
    BoardUser member;
    member.userId = userId;
    member.email = QStringLiteral("ana@example.com");
    member.grantedAt = QStringLiteral("2024-05-01 12:30");
    member.role = BoardRole::custom(QStringLiteral("Reviewer"));
    member.boardId = boardId;
    member.displayName = QStringLiteral("Ana");
    member.avatarUrl = QStringLiteral("https://example.com/a.png");
    return member;
}

User fullUser()
{
    User user;
    user.id = userId;
    user.email = QStringLiteral("ana@example.com");
    user.displayName = QStringLiteral("Ana");
    user.handle = QStringLiteral("ana");
    user.avatarUrl = QStringLiteral("https://example.com/a.png");
    user.lastLoginAt = may1;
    user.updatedAt = may1.addDays(1);
    return user;
}

QJsonObject syncBody()
{
    SyncResponse response;
    response.boardName = QStringLiteral("Launch");
    response.latestCheckpoint = 41;
    response.newItems = { fullItem() };
    response.deletedItems = { itemId };
    return toJson(response);
}

QString snakeCaseKey(const QString& key)
{
    QString result;
    for (const QChar c : key) {
        if (c.isUpper())
            result += QLatin1Char('_') + c.toLower();
        else
            result += c;
    }
    return result;
}

// The same document with every object key in snake case, at every depth.
QJsonValue snakeCased(const QJsonValue& value)
{
    if (value.isArray()) {
        QJsonArray array;
        for (const QJsonValue& element : value.toArray())
            array.append(snakeCased(element));
        return array;
    }
    if (!value.isObject())
        return value;
    QJsonObject object;
    const QJsonObject source = value.toObject();
    for (auto it = source.constBegin(); it != source.constEnd(); ++it)
        object.insert(snakeCaseKey(it.key()), snakeCased(it.value()));
    return object;
}

QByteArray compact(const QJsonValue& value)
{
    const QJsonDocument document = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    return document.toJson(QJsonDocument::Compact);
}

template<typename T>
QJsonValue reencoded(const QByteArray& body)
{
    const auto decoded = decodeServiceResponse<T>(body);
    if (!decoded) {
        qWarning("decoding failed: %s", qPrintable(decoded.error()));
        return QJsonValue::Undefined;
    }
    return QJsonValue(toJson(*decoded));
}

// Encodes a fully populated record, decodes it (as written and with snake-case keys) and encodes the
// result again: every key written must be read back with its value.
template<typename T>
void checkRoundTrip(const T& record)
{
    const QJsonValue written(toJson(record));
    const QByteArray camel = compact(written);
    const QByteArray snake = compact(snakeCased(written));
    QCOMPARE(reencoded<T>(camel), written);
    QCOMPARE(reencoded<T>(snake), written);
}

// A row of the request as written, as the service reads it back from its body and writes it again,
// and the JSON expected of both.
template<typename T>
void requestRow(const char* name, const T& request, const QJsonObject& expected)
{
    const auto reread = decodeRequestBody<T>(encodeBody(request));
    QTest::newRow(name) << toJson(request)
                        << (reread ? toJson(*reread) : QJsonObject { { QStringLiteral("error"), reread.error() } })
                        << expected;
}

// A sync answer with many items, as the service sends for a large board.
QJsonObject largeSyncBody(int items)
{
    QJsonArray list;
    for (int i = 0; i < items; ++i) {
        RemoteItem item = fullItem();
        item.id = QUuid::createUuid();
        item.order = i;
        list.append(toJson(item));
    }
    QJsonObject body = syncBody();
    body.insert(QStringLiteral("newItems"), list);
    QJsonArray modified;
    for (int i = 0; i < 50; ++i)
        modified.append(list.at(i));
    body.insert(QStringLiteral("modifiedItems"), modified);
    return body;
}

// The body with one value replaced inside the element at `index` of the array under `key`; an
// undefined value removes the element's key.
QJsonObject withElementValue(QJsonObject body, const QString& key, int index, const QString& elementKey,
    const QJsonValue& value)
{
    QJsonArray array = body.value(key).toArray();
    QJsonObject element = array.at(index).toObject();
    if (value.isUndefined())
        element.remove(elementKey);
    else
        element.insert(elementKey, value);
    array.replace(index, element);
    body.insert(key, array);
    return body;
}

bool isRecentIsoTimestamp(const QString& text)
{
    const auto parsed = parseIsoDate(text);
    return parsed && std::abs(parsed->secsTo(QDateTime::currentDateTimeUtc())) <= 5;
}
}

class WireFormatsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void isoDateReading_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected"); // invalid: the text is no date
        auto utc = [](int y, int mo, int d, int h, int mi, int s) { return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC); };
        const QDateTime none;
        // The form the service writes.
        QTest::newRow("wire form") << "2024-05-01T12:30:00Z" << utc(2024, 5, 1, 12, 30, 0);
        QTest::newRow("first instant of a year") << "2025-01-01T00:00:00Z" << utc(2025, 1, 1, 0, 0, 0);
        QTest::newRow("last second of a day") << "2023-12-31T23:59:59Z" << utc(2023, 12, 31, 23, 59, 59);
        QTest::newRow("leap day") << "2024-02-29T08:15:30Z" << utc(2024, 2, 29, 8, 15, 30);
        QTest::newRow("year 1") << "0001-01-01T00:00:00Z" << utc(1, 1, 1, 0, 0, 0);
        // Offsets: converted to UTC.
        QTest::newRow("positive offset") << "2024-05-01T12:30:00+02:00" << utc(2024, 5, 1, 10, 30, 0);
        QTest::newRow("negative offset with minutes") << "2024-05-01T12:30:00-05:30" << utc(2024, 5, 1, 18, 0, 0);
        QTest::newRow("zero offset") << "2024-05-01T12:30:00+00:00" << utc(2024, 5, 1, 12, 30, 0);
        QTest::newRow("offset across midnight") << "2024-01-01T01:00:00+03:00" << utc(2023, 12, 31, 22, 0, 0);
        // Not this form: absent.
        QTest::newRow("milliseconds") << "2024-05-01T12:30:00.123Z" << none;
        QTest::newRow("one fraction digit") << "2024-05-01T12:30:00.5Z" << none;
        QTest::newRow("fraction with offset") << "2024-05-01T12:30:00.123+02:00" << none;
        QTest::newRow("no seconds") << "2024-05-01T12:30Z" << none;
        QTest::newRow("no zone") << "2024-05-01T12:30:00" << none;
        QTest::newRow("lower-case z") << "2024-05-01T12:30:00z" << none;
        QTest::newRow("lower-case t") << "2024-05-01t12:30:00Z" << none;
        QTest::newRow("space for T") << "2024-05-01 12:30:00Z" << none;
        QTest::newRow("trailing space") << "2024-05-01T12:30:00Z " << none;
        QTest::newRow("slashes") << "2024/05/01T12:30:00Z" << none;
        QTest::newRow("letter for a digit") << "2024-05-0xT12:30:00Z" << none;
        QTest::newRow("sign in a field") << "2024-05-01T+2:30:00Z" << none;
        QTest::newRow("no 30 February") << "2024-02-30T12:30:00Z" << none;
        QTest::newRow("no 29 February in 2023") << "2023-02-29T12:30:00Z" << none;
        QTest::newRow("month 13") << "2024-13-01T12:30:00Z" << none;
        QTest::newRow("hour 24") << "2024-05-01T24:00:00Z" << none;
        QTest::newRow("minute 60") << "2024-05-01T12:60:00Z" << none;
        QTest::newRow("leap second") << "2024-06-30T23:59:60Z" << none;
        QTest::newRow("year 0") << "0000-01-01T00:00:00Z" << none;
        QTest::newRow("offset hour 24") << "2024-05-01T12:30:00+24:00" << none;
        QTest::newRow("offset without colon") << "2024-05-01T12:30:00+0200" << none;
        QTest::newRow("empty") << "" << none;
        QTest::newRow("full-width year") << QStringLiteral("\uFF12\uFF10\uFF12\uFF14-05-01T12:30:00Z") << none;
    }

    void isoDateReading()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        const std::optional<QDateTime> parsed = parseIsoDate(text);
        QCOMPARE(parsed.has_value(), expected.isValid());
        if (!parsed)
            return;
        QCOMPARE(*parsed, expected);
        QCOMPARE(parsed->timeSpec(), Qt::UTC);
        // Written back in the wire form and read again, it is the same instant.
        QCOMPARE(parseIsoDate(isoDateText(*parsed)), std::optional(*parsed));
    }

    void keyConversion_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("converted");
        QTest::newRow("two words") << "board_name" << "boardName";
        QTest::newRow("digits word") << "unread_count_7d" << "unreadCount7d";
        QTest::newRow("already camel") << "latestCheckpoint" << "latestCheckpoint";
        QTest::newRow("single word") << "id" << "id";
        QTest::newRow("leading underscore kept") << "_board_id" << "_boardId";
        QTest::newRow("trailing underscore kept") << "board_id_" << "boardId_";
        QTest::newRow("double underscore") << "board__id" << "boardId";
        QTest::newRow("only underscores") << "__" << "__";
    }

    void keyConversion()
    {
        QFETCH(QString, key);
        QFETCH(QString, converted);
        QCOMPARE(camelCaseKey(key), converted);
    }

    void snakeAndCamelKeys_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<qint64>("checkpoint");
        const QByteArray rest = R"("new_items":[],"deletedItems":[],"modified_items":[],"conflictedItems":[])";
        QTest::newRow("snake") << QByteArray(R"({"board_name":"B","latest_checkpoint":7,)" + rest + "}") << qint64(7);
        QTest::newRow("camel") << QByteArray(R"({"boardName":"B","latestCheckpoint":8,)" + rest + "}") << qint64(8);
        QTest::newRow("both forms, camel wins")
            << QByteArray(R"({"boardName":"B","latest_checkpoint":1,"latestCheckpoint":2,)" + rest + "}") << qint64(2);
        QTest::newRow("largest Int64")
            << QByteArray(R"({"boardName":"B","latestCheckpoint":9223372036854775807,)" + rest + "}")
            << std::numeric_limits<qint64>::max();
        QTest::newRow("integral written with a fraction")
            << QByteArray(R"({"boardName":"B","latestCheckpoint":3.0,)" + rest + "}") << qint64(3);
        QTest::newRow("negative") << QByteArray(R"({"boardName":"B","latestCheckpoint":-4,)" + rest + "}") << qint64(-4);
    }

    void snakeAndCamelKeys()
    {
        QFETCH(QByteArray, body);
        QFETCH(qint64, checkpoint);
        const auto response = decodeServiceResponse<SyncResponse>(body);
        QVERIFY2(response, qPrintable(errorText(response)));
        QCOMPARE(response->latestCheckpoint, checkpoint);
        QCOMPARE(response->boardName, QStringLiteral("B"));
    }

    void dates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected"); // invalid: must fail with "Bad date: " + text
        QTest::newRow("Z") << "2024-05-01T12:30:00Z" << may1;
        QTest::newRow("numeric offset") << "2024-05-01T14:30:00+02:00" << may1;
        QTest::newRow("negative offset") << "2024-05-01T07:30:00-05:00" << may1;
        QTest::newRow("no zone") << "2024-05-01T12:30:00" << QDateTime();
        QTest::newRow("trailing text") << "2024-05-01T12:30:00Z " << QDateTime();
    }

    void dates()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        const QJsonObject body { { QStringLiteral("id"), uuidText(itemId) }, { QStringLiteral("revision"), 3 },
            { QStringLiteral("updated_at"), text } };
        const auto response = decodeServiceResponse<ItemResponse>(json(body));
        if (expected.isValid()) {
            QVERIFY2(response, qPrintable(errorText(response)));
            QCOMPARE(response->updatedAt, expected);
            QCOMPARE(response->updatedAt.timeSpec(), Qt::UTC);
            QCOMPARE(isoDateText(response->updatedAt), QStringLiteral("2024-05-01T12:30:00Z"));
        } else {
            QVERIFY(!response);
            QCOMPARE(response.error(), QStringLiteral("Bad date: ") + text);
        }
    }

    void decodingFailures_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error"); // a regular expression matched against the whole error

        QJsonObject sync = syncBody();
        auto withSync = [&](const QString& key, const QJsonValue& value) {
            QJsonObject copy = sync;
            if (value.isUndefined())
                copy.remove(key);
            else
                copy.insert(key, value);
            return json(copy);
        };
        QTest::newRow("not JSON") << "SyncResponse" << QByteArray("<html>502</html>") << "Not valid JSON: .+";
        QTest::newRow("empty body") << "ItemResponse" << QByteArray() << "Not valid JSON: .+";
        QTest::newRow("truncated") << "SyncResponse" << json(sync).chopped(3) << "Not valid JSON: .+";
        QTest::newRow("array instead of object") << "SyncResponse" << QByteArray("[]")
                                                 << "Expected a JSON object for SyncResponse";
        QTest::newRow("object instead of array") << "Array<RemoteBoard>" << QByteArray("{}")
                                                 << "Expected a JSON array of RemoteBoard";
        QTest::newRow("array element not an object") << "Array<RemoteBoard>" << QByteArray("[1]")
                                                      << R"(Wrong type for key: \[0\] \(expected an object\))";
        QTest::newRow("missing required") << "SyncResponse" << withSync(QStringLiteral("latestCheckpoint"), QJsonValue(QJsonValue::Undefined))
                                          << "Missing key: latestCheckpoint";
        QTest::newRow("null required") << "SyncResponse" << withSync(QStringLiteral("boardName"), QJsonValue::Null)
                                       << "Null value for key: boardName";
        QTest::newRow("number as text") << "SyncResponse" << withSync(QStringLiteral("latestCheckpoint"), "41")
                                        << R"(Wrong type for key: latestCheckpoint \(expected a number\))";
        QTest::newRow("fractional Int64") << "SyncResponse" << withSync(QStringLiteral("latestCheckpoint"), 1.5)
                                          << R"(Wrong type for key: latestCheckpoint \(expected a 64-bit integer, got 1.5\))";
        QTest::newRow("huge number") << "SyncResponse" << withSync(QStringLiteral("latestCheckpoint"), 1e30)
                                     << R"(Wrong type for key: latestCheckpoint \(expected a 64-bit integer.*)";
        QTest::newRow("one past Int64")
            << "SyncResponse" << QByteArray(R"({"boardName":"B","latestCheckpoint":9223372036854775808})")
            << R"(Wrong type for key: latestCheckpoint \(expected a 64-bit integer.*)";
        QTest::newRow("array as text") << "SyncResponse" << withSync(QStringLiteral("newItems"), "none")
                                       << R"(Wrong type for key: newItems \(expected an array\))";

        QJsonArray items = sync.value(QStringLiteral("newItems")).toArray();
        QJsonObject second = items.at(0).toObject();
        second.remove(QStringLiteral("boardId"));
        items.append(second);
        QTest::newRow("nested missing key") << "SyncResponse" << withSync(QStringLiteral("newItems"), items)
                                            << R"(Missing key: newItems\[1\]\.boardId)";
        QTest::newRow("uuid list holds a number") << "SyncResponse" << withSync(QStringLiteral("deletedItems"), QJsonArray { 42 })
                                                  << R"(Wrong type for key: deletedItems\[0\] \(expected a string\))";
        QTest::newRow("bad uuid") << "SyncResponse" << withSync(QStringLiteral("deletedItems"), QJsonArray { "nope" })
                                  << R"(Bad UUID for key: deletedItems\[0\]: nope)";
        QTest::newRow("uuid with braces")
            << "SyncResponse" << withSync(QStringLiteral("deletedItems"), QJsonArray { itemId.toString() })
            << R"(Bad UUID for key: deletedItems\[0\]: \{.*\})";

        QJsonObject board = toJson(fullBoard());
        board.insert(QStringLiteral("active"), QStringLiteral("yes"));
        QTest::newRow("optional of wrong type") << "RemoteBoard" << json(board)
                                                << R"(Wrong type for key: active \(expected a boolean\))";

        QJsonObject member = toJson(fullMember());
        member.remove(QStringLiteral("role"));
        const QJsonObject boardResponse { { QStringLiteral("board"), toJson(fullBoard()) },
            { QStringLiteral("board_owner"), toJson(fullMember()) }, { QStringLiteral("users"), QJsonArray { member } } };
        QTest::newRow("member without role") << "RemoteBoardResponse" << json(boardResponse)
                                             << R"(Missing key: users\[0\]\.role)";

        QJsonObject user = toJson(fullUser());
        user.insert(QStringLiteral("last_login_at"), QStringLiteral("yesterday"));
        user.remove(QStringLiteral("lastLoginAt"));
        QTest::newRow("user optional date unparseable")
            << "CurrentUserResponse" << json(QJsonObject { { QStringLiteral("user"), user } }) << "Bad date: yesterday";

        RemoteNotificationResponse notification;
        notification.id = itemId;
        notification.type = QStringLiteral("ItemAssigned");
        notification.createdAt = may1;
        QJsonObject notificationObject = toJson(notification);
        notificationObject.insert(QStringLiteral("read_at"), QStringLiteral("2024-05-01T12:30:00.5Z"));
        const QJsonObject feed { { QStringLiteral("items"), QJsonArray { notificationObject } },
            { QStringLiteral("unread_count_7d"), 1 } };
        QTest::newRow("notification read time unparseable")
            << "NotificationFeedResponse" << json(feed) << R"(Bad date: 2024-05-01T12:30:00\.5Z)";
        // A failure far inside a large answer names the same key as in a small one.
        const QJsonObject large = largeSyncBody(3000);
        const QString newItems = QStringLiteral("newItems");
        QTest::newRow("bad id deep in a large answer")
            << "SyncResponse" << json(withElementValue(large, newItems, 2345, QStringLiteral("createdBy"), "not-an-id"))
            << R"(Bad UUID for key: newItems\[2345\]\.createdBy: not-an-id)";
        QTest::newRow("missing key in the last item of a large answer")
            << "SyncResponse"
            << json(withElementValue(large, newItems, 2999, QStringLiteral("revision"), QJsonValue::Undefined))
            << R"(Missing key: newItems\[2999\]\.revision)";
        QTest::newRow("fraction deep in a large answer")
            << "SyncResponse"
            << json(withElementValue(large, QStringLiteral("modifiedItems"), 17, QStringLiteral("order"), 2.5))
            << R"(Wrong type for key: modifiedItems\[17\]\.order \(expected a 64-bit integer, got 2.5\))";
        QTest::newRow("optional id of wrong type deep in a large answer")
            << "SyncResponse" << json(withElementValue(large, newItems, 1200, QStringLiteral("assignee"), 7))
            << R"(Wrong type for key: newItems\[1200\]\.assignee \(expected a string\))";
        QTest::newRow("null deep in a large snake-case answer")
            << "SyncResponse"
            << compact(snakeCased(withElementValue(large, newItems, 1500, QStringLiteral("boardId"), QJsonValue::Null)))
            << R"(Null value for key: newItems\[1500\]\.boardId)";
        QJsonArray deleted;
        for (int i = 0; i < 1000; ++i)
            deleted.append(uuidText(QUuid::createUuid()));
        deleted.replace(999, itemId.toString());
        QTest::newRow("id with braces at the end of a long list")
            << "SyncResponse" << withSync(QStringLiteral("deletedItems"), deleted)
            << R"(Bad UUID for key: deletedItems\[999\]: \{.*\})";
        QJsonArray notifications;
        for (int i = 0; i < 2000; ++i)
            notifications.append(toJson(notification));
        QJsonObject late = notificationObject;
        late.remove(QStringLiteral("read_at"));
        late.insert(QStringLiteral("createdAt"), QStringLiteral("2024-05-01"));
        notifications.replace(1234, late);
        QTest::newRow("bad date deep in a long feed")
            << "NotificationFeedResponse"
            << json(QJsonObject { { QStringLiteral("items"), notifications }, { QStringLiteral("unreadCount7d"), 0 } })
            << "Bad date: 2024-05-01";
        QTest::newRow("deeply nested") << "SyncResponse" << (QByteArray(100000, '[') + QByteArray(100000, ']'))
                                       << "Not valid JSON: .+";
    }

    void decodingFailures()
    {
        QFETCH(QString, record);
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        const QString actual = decodeErrorAs(record, body);
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(error)).match(actual).hasMatch(),
            qPrintable(QStringLiteral("got \"%1\"").arg(actual)));
    }

    // Whatever the text, the decoder reads a record exactly as QJsonDocument and the general reader do:
    // same values, same failure.
    void decodingAgreesWithQJsonDocument_data()
    {
        QTest::addColumn<QByteArray>("body");
        const QByteArray id = R"("id":"0a7b2c3d-1111-4222-8333-444455556666")";
        const QByteArray rest = R"("createdAt":"a","updatedAt":"b","createdBy":"c","revision":2)";
        auto board = [&](const QByteArray& fields) { return "{" + id + "," + rest + "," + fields + "}"; };
        auto withRevision = [&](const QByteArray& revision) {
            return board(R"("name":"N")").replace(R"("revision":2)", R"("revision":)" + revision);
        };
        QTest::newRow("plain") << board(R"("name":"N","info":"I","active":true)");
        QTest::newRow("escapes") << board("\"name\":\"a\\\"b\\\\c\\/d\\b\\f\\n\\r\\t\"");
        QTest::newRow("unicode escapes") << board(R"("name":"\u00e9\u0000\u20AC\u0041")");
        QTest::newRow("surrogate pair") << board(R"("name":"\ud83d\ude00!")");
        QTest::newRow("lone high surrogate") << board(R"("name":"\ud800x")");
        QTest::newRow("lone low surrogate") << board(R"("name":"\udc00")");
        QTest::newRow("surrogates reversed") << board(R"("name":"\ude00\ud83d")");
        QTest::newRow("unknown escape") << board(R"("name":"\x")");
        QTest::newRow("short unicode escape") << board(R"("name":"\u12")");
        QTest::newRow("UTF-8 text") << board("\"name\":\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 \\n\xC3\xA9\"");
        QTest::newRow("byte order mark in a string") << board("\"name\":\"\xEF\xBB\xBFx\"");
        QTest::newRow("noncharacter") << board("\"name\":\"\xEF\xBF\xBF\"");
        QTest::newRow("invalid UTF-8") << board("\"name\":\"\xC3\x28\"");
        QTest::newRow("encoded surrogate") << board("\"name\":\"\xED\xA0\x80\"");
        QTest::newRow("control character") << board("\"name\":\"a\x01\"");
        QTest::newRow("delete character") << board("\"name\":\"a\x7F\"");
        QTest::newRow("zero byte in a string") << board(QByteArray("\"name\":\"a\0b\"", 12));
        QTest::newRow("integral fraction") << withRevision("3.0");
        QTest::newRow("exponent") << withRevision("1E2");
        QTest::newRow("negative zero") << withRevision("-0");
        QTest::newRow("smallest Int64") << withRevision("-9223372036854775808");
        QTest::newRow("below Int64") << withRevision("-9223372036854775809");
        QTest::newRow("leading zero") << withRevision("02");
        QTest::newRow("bare fraction") << withRevision("2.");
        QTest::newRow("revision as text") << withRevision("\"2\"");
        QTest::newRow("snake case")
            << QByteArray(R"({"id":"0A7B2C3D-1111-4222-8333-444455556666","name":"N","created_at":"a",)"
                          R"("updated_at":"b","created_by":"c","revision":2})");
        QTest::newRow("both forms, snake first") << board(R"("name":"N","updated_at":"snake")");
        QTest::newRow("two snake forms of one key") << board(R"("name":"N","in__fo":"x","in_fo":"y")");
        QTest::newRow("repeated key") << board(R"("name":"first","name":"second")");
        QTest::newRow("escaped key") << board(R"("na\u006de":"N")");
        QTest::newRow("escaped underscore in a key")
            << QByteArray(R"({"id":"0a7b2c3d-1111-4222-8333-444455556666","name":"N","created\u005fat":"a",)"
                          R"("updatedAt":"b","createdBy":"c","revision":2})");
        QTest::newRow("leading and trailing underscores") << board(R"("name":"N","_info_":"x")");
        QTest::newRow("null optionals") << board(R"("name":"N","info":null,"active":null)");
        QTest::newRow("boolean as text") << board(R"("name":"N","active":"yes")");
        QTest::newRow("upper-case id") << board(R"("name":"N")").replace("0a7b2c3d", "0A7B2C3D");
        QTest::newRow("zero id") << board(R"("name":"N")").replace(
            "0a7b2c3d-1111-4222-8333-444455556666", "00000000-0000-0000-0000-000000000000");
        QTest::newRow("id with braces") << board(R"("name":"N")").replace(
            "\"0a7b2c3d-1111-4222-8333-444455556666\"", "\"{0a7b2c3d-1111-4222-8333-444455556666}\"");
        QTest::newRow("id hyphen moved") << board(R"("name":"N")").replace("0a7b2c3d-1111", "0a7b2c3d1-111");
        QTest::newRow("id not hex") << board(R"("name":"N")").replace("0a7b2c3d", "0a7b2c3g");
        QTest::newRow("id escaped") << board(R"("name":"N")").replace("0a7b2c3d", "\\u0030a7b2c3d");
        QTest::newRow("unknown values")
            << board(R"("name":"N","extra":{"a":[1,2.5,-0.125,true,false,null,{}],"b":[]})");
        QTest::newRow("unknown exponent") << board(R"("name":"N","extra":1e5)");
        QTest::newRow("unknown number out of range") << board(R"("name":"N","extra":1e400)");
        QTest::newRow("unknown deep nesting")
            << board("\"name\":\"N\",\"extra\":" + QByteArray(100, '[') + QByteArray(100, ']'));
        QTest::newRow("whitespace") << board(" \"name\" :\t\"N\"\r\n ").prepend(" \n").append("\r\n");
        QTest::newRow("form feed") << board("\"name\":\f\"N\"");
        QTest::newRow("byte order mark") << board(R"("name":"N")").prepend("\xEF\xBB\xBF");
        QTest::newRow("trailing comma") << board(R"("name":"N",)");
        QTest::newRow("trailing text") << board(R"("name":"N")").append(" x");
        QTest::newRow("missing name") << board(R"("info":"I")");
    }

    void decodingAgreesWithQJsonDocument()
    {
        QFETCH(QByteArray, body);
        const auto decoded = decodeServiceResponse<RemoteBoard>(body);
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
        if (parseError.error != QJsonParseError::NoError) {
            QCOMPARE(errorText(decoded),
                QStringLiteral("Not valid JSON: %1 at offset %2").arg(parseError.errorString()).arg(parseError.offset));
            return;
        }
        const auto expected = remoteBoardFromJson(document.object());
        QCOMPARE(errorText(decoded), errorText(expected));
        if (expected)
            QCOMPARE(toJson(*decoded), toJson(*expected));
    }

    void malformedBodiesFailEveryRecord_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("null") << QByteArray("null");
        QTest::newRow("number") << QByteArray("42");
        QTest::newRow("string") << QByteArray(R"("ok")");
        QTest::newRow("empty object in array") << QByteArray("[{}]");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe{", 4);
        QTest::newRow("everything null")
            << QByteArray(R"({"id":null,"user":null,"board":null,"code":null,"loginUrl":null,"items":null})");
        QTest::newRow("unterminated string") << QByteArray("{\"boardName\":\"abc");
    }

    void malformedBodiesFailEveryRecord()
    {
        QFETCH(QByteArray, body);
        for (const Record& each : records) {
            QCOMPARE(each.recordName(), each.name);
            QVERIFY2(!each.errorOf(body).isEmpty(), qPrintable(each.name + QStringLiteral(" accepted the body")));
        }
    }

    void optionalKeysAndUnknownKeys()
    {
        const QByteArray body = R"({"id":"0a7b2c3d-1111-4222-8333-444455556666","name":"N","created_at":"x",
            "updated_at":"y","created_by":"someone","info":null,"revision":2,"colour":"teal","extra":{"a":[1]}})";
        const auto board = decodeServiceResponse<RemoteBoard>(body);
        QVERIFY2(board, qPrintable(errorText(board)));
        QCOMPARE(board->id, boardId); // lower-case UUID text accepted
        QVERIFY(!board->info);
        QVERIFY(!board->active);
        QCOMPARE(board->createdAt, QStringLiteral("x")); // board dates stay text here

        const auto none = decodeServiceResponse<QList<RemoteBoard>>("[]");
        QVERIFY(none && none->isEmpty());
    }

    void roundTrips()
    {
        checkRoundTrip(fullBoard());
        checkRoundTrip(QList<RemoteBoard> { fullBoard(), RemoteBoard { boardId, QStringLiteral("Bare"), QStringLiteral("a"),
                                                              QStringLiteral("b"), QStringLiteral("c"), {}, {}, 0 } });
        checkRoundTrip(CurrentUserResponse { fullUser() });
        checkRoundTrip(RemoteBoardResponse { fullBoard(), fullMember(), { fullMember(), BoardUser {} } });

        SyncResponse sync;
        sync.boardName = QStringLiteral("Launch");
        sync.latestCheckpoint = std::numeric_limits<qint64>::max();
        sync.newItems = { fullItem(), RemoteItem {} };
        sync.modifiedItems = { fullItem() };
        sync.deletedItems = { itemId, boardId };
        sync.conflictedItems = { userId };
        checkRoundTrip(sync);

        checkRoundTrip(ItemResponse { itemId, 5, may1 });
        checkRoundTrip(InvitationResponse { QStringLiteral("K7Q-22") });
        checkRoundTrip(ImproveTextResponse { QStringLiteral("teh plan"), QStringLiteral("The plan") });
        checkRoundTrip(StartLoginResponse { QStringLiteral("https://example.com/login?x=1") });
        checkRoundTrip(LoginTokens { QStringLiteral("a.b.c"), QStringLiteral("r-1") });

        RemoteNotificationResponse full { itemId, QStringLiteral("BoardMemberJoined"), boardId, itemId, userId,
            QStringLiteral("Ana"), may1, may1.addSecs(60) };
        RemoteNotificationResponse bare;
        bare.id = userId;
        bare.type = QStringLiteral("SomethingNew");
        bare.createdAt = may1;
        checkRoundTrip(NotificationFeedResponse { { full, bare }, 3 });
    }

    void embeddedRecords()
    {
        // Kept as read: the member's grant time is not a date and the custom role keeps its letters.
        const auto member = boardUserFromJson(toJson(fullMember()));
        QVERIFY(member);
        QCOMPARE(*member, fullMember());
        QCOMPARE(toJson(member->role).toString(), QStringLiteral("Reviewer"));

        QJsonObject lowerOwner = toJson(fullMember());
        lowerOwner.insert(QStringLiteral("role"), QStringLiteral("owner"));
        lowerOwner.insert(QStringLiteral("display_name"), QJsonValue::Null);
        lowerOwner.remove(QStringLiteral("displayName"));
        const auto owner = boardUserFromJson(lowerOwner);
        QVERIFY(owner);
        QCOMPARE(owner->role, BoardRole::owner());
        QVERIFY(!owner->displayName);
        QCOMPARE(toJson(*owner).value(QStringLiteral("role")).toString(), QStringLiteral("OWNER"));
        QVERIFY(!toJson(*owner).contains(QStringLiteral("displayName")));

        QJsonObject numericRole = lowerOwner;
        numericRole.insert(QStringLiteral("role"), 1);
        QCOMPARE(errorText(boardUserFromJson(numericRole)), QStringLiteral("Wrong type for key: role (expected a string)"));

        const auto user = userFromJson(toJson(fullUser()));
        QVERIFY(user);
        QCOMPARE(user->lastLoginAt, fullUser().lastLoginAt);
        QCOMPARE(user->updatedAt, fullUser().updatedAt);
        QCOMPARE(user->handle, fullUser().handle);

        const auto item = remoteItemFromJson(toJson(fullItem()));
        QVERIFY(item);
        QCOMPARE(toJson(*item), toJson(fullItem()));
        QCOMPARE(errorText(remoteBoardFromJson(QJsonObject())), QStringLiteral("Missing key: id"));
    }

    void itemStatusJson_data()
    {
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("error"); // empty: decodes back to the same text
        QTest::newRow("TODO") << QJsonValue(QStringLiteral("TODO")) << "";
        QTest::newRow("IN_PROGRESS") << QJsonValue(QStringLiteral("IN_PROGRESS")) << "";
        QTest::newRow("DONE") << QJsonValue(QStringLiteral("DONE")) << "";
        QTest::newRow("lower case") << QJsonValue(QStringLiteral("done")) << "Bad status: done";
        QTest::newRow("blank") << QJsonValue(QString()) << "Bad status: ";
        QTest::newRow("number") << QJsonValue(1) << "Wrong type for status (expected a string)";
        QTest::newRow("null") << QJsonValue(QJsonValue::Null) << "Wrong type for status (expected a string)";
    }

    void itemStatusJson()
    {
        QFETCH(QJsonValue, value);
        QFETCH(QString, error);
        const auto status = itemStatusFromJson(value);
        if (error.isEmpty()) {
            QVERIFY(status);
            QCOMPARE(toJson(*status), value);
        } else {
            QVERIFY(!status);
            QCOMPARE(status.error(), error);
        }
    }

    void requestBodies_data()
    {
        QTest::addColumn<QJsonObject>("written");
        QTest::addColumn<QJsonObject>("reread");
        QTest::addColumn<QJsonObject>("expected");
        const QString board = uuidText(boardId);
        const QString user = uuidText(userId);

        UpdateItemRequest move;
        move.order = 3;
        move.status = QStringLiteral("DONE");
        move.revision = 7;
        requestRow("move", move, QJsonObject { { "order", 3 }, { "status", "DONE" }, { "revision", 7 } });

        UpdateItemRequest reorder;
        reorder.order = 0;
        reorder.revision = 1;
        requestRow("reorder without status", reorder, QJsonObject { { "order", 0 }, { "revision", 1 } });

        UpdateItemRequest clearAssignee;
        clearAssignee.assignee = FieldUpdate<QUuid>::cleared();
        clearAssignee.revision = 2;
        requestRow("clear assignee", clearAssignee, QJsonObject { { "assignee", QJsonValue::Null }, { "revision", 2 } });

        UpdateItemRequest assign;
        assign.assignee = FieldUpdate<QUuid>::set(userId);
        requestRow("assign", assign, QJsonObject { { "assignee", user }, { "revision", 0 } });

        UpdateItemRequest unarchive;
        unarchive.archivedAt = FieldUpdate<QString>::cleared();
        unarchive.revision = 4;
        requestRow("unarchive", unarchive, QJsonObject { { "archivedAt", QJsonValue::Null }, { "revision", 4 } });

        UpdateItemRequest archive;
        archive.archivedAt = FieldUpdate<QString>::set(isoDateText(may1));
        archive.content = QString();
        archive.boardId = boardId;
        archive.revision = std::numeric_limits<qint64>::max();
        requestRow("archive, empty content, other board", archive,
            QJsonObject { { "archivedAt", "2024-05-01T12:30:00Z" }, { "content", "" }, { "boardId", board },
                { "revision", std::numeric_limits<qint64>::max() } });

        requestRow("nothing changed", UpdateItemRequest {}, QJsonObject { { "revision", 0 } });

        UpsertItemRequest upsert { QStringLiteral("Hi"), QStringLiteral("TODO"), 2, isoDateText(may1), boardId, {} };
        const QJsonObject upsertKeys { { "content", "Hi" }, { "status", "TODO" }, { "order", 2 },
            { "createdAt", "2024-05-01T12:30:00Z" }, { "boardId", board } };
        requestRow("upsert without assignee", upsert, upsertKeys);
        upsert.assignee = userId;
        QJsonObject assigned = upsertKeys;
        assigned.insert(QStringLiteral("assignee"), user);
        requestRow("upsert with assignee", upsert, assigned);

        requestRow("board request, nothing", RemoteBoardRequest {}, QJsonObject {});
        requestRow("board request, archive", RemoteBoardRequest { {}, {}, false }, QJsonObject { { "active", false } });
        requestRow("board request, all", RemoteBoardRequest { QStringLiteral("N"), QStringLiteral("I"), true },
            QJsonObject { { "name", "N" }, { "info", "I" }, { "active", true } });
        requestRow("sync request, no items", SyncRequest { 0, {} },
            QJsonObject { { "checkpoint", 0 }, { "items", QJsonArray {} } });
        requestRow("change owner", ChangeBoardOwnerRequest { userId }, QJsonObject { { "newOwnerId", user } });
        requestRow("complete login", CompleteLoginRequest { QStringLiteral("n"), QStringLiteral("o") },
            QJsonObject { { "deviceNonce", "n" }, { "ott", "o" } });
        requestRow("mark read", MarkNotificationReadRequest { itemId }, QJsonObject { { "id", uuidText(itemId) } });

        RemoteItem bare;
        bare.id = itemId;
        bare.boardId = boardId;
        bare.createdBy = userId;
        bare.status = QStringLiteral("TODO");
        requestRow("sync request, item with optionals left out", SyncRequest { 3, { bare } },
            QJsonObject { { "checkpoint", 3 },
                { "items",
                    QJsonArray { QJsonObject { { "id", uuidText(itemId) }, { "content", "" }, { "status", "TODO" },
                        { "boardId", board }, { "createdAt", "" }, { "createdBy", user }, { "order", 0 },
                        { "updatedAt", "" }, { "revision", 0 } } } } });
        requestRow("sync request, full item", SyncRequest { 17, { fullItem() } },
            QJsonObject { { "checkpoint", 17 }, { "items", QJsonArray { toJson(fullItem()) } } });
        requestRow("refresh", RefreshRequest { QStringLiteral("r") }, QJsonObject { { "refreshToken", "r" } });
        requestRow("logout", LogoutRequest { QStringLiteral("r") }, QJsonObject { { "refreshToken", "r" } });
        requestRow("improve text", ImproveTextRequest { QStringLiteral("teh") }, QJsonObject { { "content", "teh" } });
        requestRow("feedback", FeedbackRequest { QStringLiteral("Nice") }, QJsonObject { { "text", "Nice" } });
    }

    void requestBodies()
    {
        QFETCH(QJsonObject, written);
        QFETCH(QJsonObject, reread);
        QFETCH(QJsonObject, expected);
        QCOMPARE(written, expected);
        QCOMPARE(reread, expected);
    }

    // A partial update read back keeps its three states: a missing key is unchanged, null is cleared.
    void requestDecoderStates()
    {
        const auto unchanged = decodeRequestBody<UpdateItemRequest>(R"({"revision":1})");
        QVERIFY(unchanged && unchanged->assignee.isUnchanged() && unchanged->archivedAt.isUnchanged());
        const auto cleared = decodeRequestBody<UpdateItemRequest>(R"({"revision":1,"assignee":null})");
        QVERIFY(cleared && cleared->assignee.isCleared());
        QCOMPARE(errorText(decodeRequestBody<UpdateItemRequest>(R"({"assignee":"x","revision":1})")),
            QStringLiteral("Bad UUID for key: assignee: x"));
        QCOMPARE(errorText(decodeRequestBody<UpdateItemRequest>(R"({"order":2})")), QStringLiteral("Missing key: revision"));
    }

    void compactBodies()
    {
        UpdateItemRequest request;
        request.assignee = FieldUpdate<QUuid>::cleared();
        request.revision = 9007199254740993;
        const QByteArray body = encodeBody(request);
        QCOMPARE(body, QByteArray(R"({"assignee":null,"revision":9007199254740993})"));
        QCOMPARE(encodeBody(QList<RemoteBoard> {}), QByteArray("[]"));
    }

    void itemConversion_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("createdAt");
        QTest::addColumn<QString>("archivedAt"); // "-": absent
        QTest::addColumn<int>("expectedStatus");
        QTest::addColumn<bool>("createdIsNow");
        QTest::addColumn<bool>("archived");

        const int todo = int(ItemStatus::todo);
        QTest::newRow("all good") << "DONE" << "2024-05-01T12:30:00Z" << "2024-05-01T12:30:00Z" << int(ItemStatus::done)
                                  << false << true;
        QTest::newRow("in progress") << "IN_PROGRESS" << "2024-05-01T12:30:00Z" << "-" << int(ItemStatus::inProgress)
                                     << false << false;
        QTest::newRow("lower-case status") << "done" << "2024-05-01T12:30:00Z" << "-" << todo << false << false;
        QTest::newRow("unknown status") << "BLOCKED" << "2024-05-01T12:30:00Z" << "-" << todo << false << false;
        QTest::newRow("bad creation time") << "TODO" << "01/05/2024" << "-" << todo << true << false;
        QTest::newRow("bad archive time") << "TODO" << "2024-05-01T12:30:00Z" << "soon" << todo << false << false;
    }

    void itemConversion()
    {
        QFETCH(QString, status);
        QFETCH(QString, createdAt);
        QFETCH(QString, archivedAt);
        QFETCH(int, expectedStatus);
        QFETCH(bool, createdIsNow);
        QFETCH(bool, archived);

        RemoteItem remote = fullItem();
        remote.status = status;
        remote.createdAt = createdAt;
        remote.archivedAt = archivedAt == QLatin1String("-") ? std::nullopt : std::optional(archivedAt);
        remote.deletedAt.reset();
        const Item item = itemFromRemote(remote);

        QCOMPARE(int(item.status), expectedStatus);
        QCOMPARE(isRecentIsoTimestamp(isoDateText(item.createdAt)), createdIsNow);
        if (!createdIsNow)
            QCOMPARE(item.createdAt, may1);
        QCOMPARE(item.isArchived(), archived);
        QVERIFY(!item.isDeleted());
        QVERIFY(item.didSync);
        QCOMPARE(item.revision, remote.revision);
        QCOMPARE(item.assignee, remote.assignee);

        const RemoteItem back = remoteFromItem(item);
        QCOMPARE(back.archivedAt.has_value(), archived);
        QVERIFY(!back.deletedAt);
        QCOMPARE(back.status, itemStatusText(ItemStatus(expectedStatus)));
    }

    void boardConversion_data()
    {
        QTest::addColumn<QByteArray>("activeJson"); // empty: key left out
        QTest::addColumn<bool>("isActive");
        QTest::newRow("active absent") << QByteArray() << true;
        QTest::newRow("active null") << QByteArray(R"(,"active":null)") << true;
        QTest::newRow("archived") << QByteArray(R"(,"active":false)") << false;
        QTest::newRow("active") << QByteArray(R"(,"active":true)") << true;
    }

    void boardConversion()
    {
        QFETCH(QByteArray, activeJson);
        QFETCH(bool, isActive);
        const QByteArray body
            = QStringLiteral(
                R"({"id":"%1","name":"N","createdAt":"2024-05-01T12:30:00Z","updatedAt":"garbage","createdBy":"c","revision":3%2})")
                  .arg(uuidText(boardId), QString::fromUtf8(activeJson))
                  .toUtf8();
        const auto remote = decodeServiceResponse<RemoteBoard>(body);
        QVERIFY2(remote, qPrintable(errorText(remote)));
        const Board board = boardFromRemote(*remote);
        QCOMPARE(board.isActive, isActive);
        QVERIFY(board.syncWithServer);
        QCOMPARE(board.createdAt, may1);
        QVERIFY(isRecentIsoTimestamp(isoDateText(board.updatedAt)));
        QCOMPARE(board.revision, qint64(3));
    }

    void notificationTypes_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("kind");
        QTest::newRow("ItemAssigned") << "ItemAssigned" << int(NotificationType::Kind::itemAssigned);
        QTest::newRow("BoardMemberJoined") << "BoardMemberJoined" << int(NotificationType::Kind::boardMemberJoined);
        QTest::newRow("lower camel is unknown") << "itemAssigned" << int(NotificationType::Kind::unknown);
        QTest::newRow("new type") << "BoardArchived" << int(NotificationType::Kind::unknown);
    }

    void notificationTypes()
    {
        QFETCH(QString, type);
        QFETCH(int, kind);
        const QByteArray body
            = QStringLiteral(R"({"items":[{"id":"%1","type":"%2","created_at":"2024-05-01T12:30:00Z",)"
                             R"("actor_display_name":"Ana","board_id":null}],"unread_count_7d":5})")
                  .arg(uuidText(itemId), type)
                  .toUtf8();
        const auto response = decodeServiceResponse<NotificationFeedResponse>(body);
        QVERIFY2(response, qPrintable(errorText(response)));
        const NotificationFeed feed = notificationFeedFromResponse(*response);
        QCOMPARE(feed.unreadCount, qint64(5));
        QCOMPARE(feed.items.size(), 1);
        const NotificationItem& item = feed.items.first();
        QCOMPARE(int(item.type.kind()), kind);
        if (item.type.kind() == NotificationType::Kind::unknown)
            QCOMPARE(item.type.unknownText(), type);
        QCOMPARE(item.actorDisplayName, std::optional(QStringLiteral("Ana")));
        QVERIFY(!item.boardId);
        QVERIFY(!item.readAt);
        QCOMPARE(item.createdAt, may1);
    }

    void normalisation_data()
    {
        QTest::addColumn<int>("status"); // 0: no status, which reads as -1
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expectedCode");
        QTest::addColumn<QString>("expectedMessage");
        QTest::addColumn<QString>("expectedPath");

        const QString forbidden = QStringLiteral("You don't have permissions to perform this action.");
        const QString unauthorized = QStringLiteral("Unauthorized — please check your credentials.");
        QTest::newRow("access denied, blank message, 403")
            << 403 << "BOARD_ACCESS_DENIED" << " \n\t " << "/api/boards" << "BOARD_ACCESS_DENIED" << forbidden << "/api/boards";
        QTest::newRow("404 reason phrase only")
            << 404 << "" << "Not Found" << "" << "Not Found" << "Not Found" << "";
        QTest::newRow("reason phrase in other case")
            << 404 << "NO_BOARD" << "not found" << "" << "NO_BOARD" << "NO_BOARD" << "";
        QTest::newRow("phrase of another status is a message")
            << 500 << "E" << "Not Found" << "" << "E" << "Not Found" << "";
        QTest::newRow("phrase without status is a message")
            << 0 << "" << "Not Found" << "" << "Not Found" << "Not Found" << "";
        QTest::newRow("nothing at all") << 0 << "" << "" << "" << "Unknown error" << "Unknown error" << "";
        QTest::newRow("401 empty") << 401 << "" << "" << "" << "Unknown error" << unauthorized << "";
        QTest::newRow("401 phrase")
            << 401 << "" << "unauthorized" << "" << "unauthorized" << unauthorized << "";
        QTest::newRow("403 phrase with code")
            << 403 << "BOARD_ACCESS_DENIED" << "Forbidden" << "" << "BOARD_ACCESS_DENIED" << forbidden << "";
        QTest::newRow("403 real message kept")
            << 403 << "NOT_OWNER" << "Only the owner can do this." << "" << "NOT_OWNER" << "Only the owner can do this." << "";
        QTest::newRow("everything trimmed")
            << 409 << "  STALE\n" << "\n Board changed. \r\n" << " /api/x\t" << "STALE" << "Board changed." << "/api/x";
        QTest::newRow("empty message takes code") << 500 << "E42" << "" << "" << "E42" << "E42" << "";
    }

    void normalisation()
    {
        QFETCH(int, status);
        QFETCH(QString, code);
        QFETCH(QString, message);
        QFETCH(QString, path);
        const int expectedStatus = status ? status : -1;
        QFETCH(QString, expectedCode);
        QFETCH(QString, expectedMessage);
        QFETCH(QString, expectedPath);

        const ApiError made = ApiError::make(status ? std::optional(status) : std::nullopt, code, message, path);
        QCOMPARE(made.status, expectedStatus);
        QCOMPARE(made.code, expectedCode);
        QCOMPARE(made.message, expectedMessage);
        QCOMPARE(made.description(), expectedMessage);
        QCOMPARE(made.path, expectedPath);
        QVERIFY(isRecentIsoTimestamp(made.timestamp));

        // The same error read from a body; absent keys stand for empty texts.
        QJsonObject body { { QStringLiteral("error"), code }, { QStringLiteral("message"), message },
            { QStringLiteral("path"), path }, { QStringLiteral("timestamp"), QStringLiteral("2020-01-01T00:00:00Z") } };
        if (status)
            body.insert(QStringLiteral("status"), status);
        const auto read = ApiError::fromBody(json(body));
        QVERIFY(read);
        QCOMPARE(read->status, expectedStatus);
        QCOMPARE(read->code, expectedCode);
        QCOMPARE(read->message, expectedMessage);
        QCOMPARE(read->path, expectedPath);
        QCOMPARE(read->timestamp, QStringLiteral("2020-01-01T00:00:00Z"));
    }

    void errorBodies_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("status");

        QTest::newRow("empty object") << QByteArray("{}") << true << "Unknown error" << "Unknown error" << -1;
        QTest::newRow("code before error") << QByteArray(R"({"code":"A","error":"B"})") << true << "A" << "A" << -1;
        QTest::newRow("null code falls back to error") << QByteArray(R"({"code":null,"error":"B","message":"m"})")
                                                      << true << "B" << "m" << -1;
        QTest::newRow("blank code takes message") << QByteArray(R"({"code":" ","error":"B","message":"m"})") << true
                                                  << "m" << "m" << -1;
        QTest::newRow("keys are not converted") << QByteArray(R"({"error_code":"X","status_code":500})") << true
                                                << "Unknown error" << "Unknown error" << -1;
        QTest::newRow("empty body") << QByteArray() << false << "" << "" << 0;
        QTest::newRow("text body") << QByteArray("Internal failure") << false << "" << "" << 0;
        QTest::newRow("array body") << QByteArray(R"([{"code":"A"}])") << false << "" << "" << 0;
        QTest::newRow("status as text") << QByteArray(R"({"status":"403"})") << false << "" << "" << 0;
        QTest::newRow("status fractional") << QByteArray(R"({"status":403.5})") << false << "" << "" << 0;
        QTest::newRow("status huge") << QByteArray(R"({"status":1e30})") << false << "" << "" << 0;
        QTest::newRow("message as number") << QByteArray(R"({"message":5})") << false << "" << "" << 0;
    }

    void errorBodies()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        QFETCH(QString, code);
        QFETCH(QString, message);
        QFETCH(int, status);
        const auto error = ApiError::fromBody(body);
        QCOMPARE(error.has_value(), decodes);
        if (!error)
            return;
        QCOMPARE(error->code, code);
        QCOMPARE(error->message, message);
        QCOMPARE(error->status, status);
        QCOMPARE(error->path, QString());
        QVERIFY(isRecentIsoTimestamp(error->timestamp));
    }

    // The answer's own status always wins over the one its body names.
    void httpFailures_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("path");
        const auto row = [](const char* name, int status, const QByteArray& body, const char* code, const QString& message,
                             const char* path = "/api/boards") {
            QTest::newRow(name) << status << body << QString::fromUtf8(code) << message << QString::fromUtf8(path);
        };
        const QString forbidden = QStringLiteral("You don't have permissions to perform this action.");
        row("500 text body", 500, "Internal failure", "Internal Server Error", "Internal failure");
        row("500 empty body", 500, {}, "Internal Server Error", "Internal Server Error");
        row("502 not UTF-8", 502, "\xff\xfe\xfd", "Bad Gateway", "No message");
        row("403 empty object", 403, "{}", "Forbidden", forbidden);
        row("401 empty object", 401, "{}", "Unauthorized", "Unauthorized — please check your credentials.");
        row("418 empty object", 418, "{}", "Invalid Response", "Invalid Response");
        row("unregistered status, text", 599, "boom", "Invalid Response", "boom");
        row("403 access denied", 403, R"({"error":"BOARD_ACCESS_DENIED","message":"  ","status":403})",
            "BOARD_ACCESS_DENIED", forbidden);
        row("body path and zero status", 409, R"({"status":0,"code":"STALE","message":"Conflict","path":"/api/boards/1"})",
            "STALE", "STALE", "/api/boards/1");
        row("404 phrase as message", 404, R"({"status":404,"message":"Not Found"})", "Not Found", "Not Found");
        row("401 whose body says 403", 401, R"({"status":403,"code":"EXPIRED","message":"Token expired"})", "EXPIRED",
            "Token expired");
        row("404 whose body says 500", 404, R"({"status":500,"message":"Gone away"})", "Gone away", "Gone away");
    }

    void httpFailures()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, code);
        QFETCH(QString, message);
        QFETCH(QString, path);
        const ApiError error = ApiError::fromHttpFailure(status, body, QStringLiteral("/api/boards"));
        QCOMPARE(error.status, status);
        QCOMPARE(error.code, code);
        QCOMPARE(error.message, message);
        QCOMPARE(error.path, path);
        QVERIFY(isRecentIsoTimestamp(error.timestamp));
    }
};

QTEST_GUILESS_MAIN(WireFormatsTest)
#include "WireFormatsTest.moc"
