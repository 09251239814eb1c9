#include "domain/Board.h"
#include "domain/Ids.h"

#include <QTest>

namespace {
BoardUser member(const QUuid& id, BoardRole role)
{
    BoardUser user;
    user.userId = id;
    user.email = QStringLiteral("someone@example.com");
    user.role = std::move(role);
    return user;
}

Item itemWith(ItemStatus status, bool deleted = false, bool archived = false)
{
    Item item;
    item.id = QUuid::createUuid();
    item.status = status;
    if (deleted)
        item.deletedAt = QDateTime::currentDateTimeUtc();
    if (archived)
        item.archivedAt = QDateTime::currentDateTimeUtc();
    return item;
}
}

class DomainRecordsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boardEqualityIsIdentity()
    {
        Board a;
        a.id = QUuid::createUuid();
        a.name = QStringLiteral("A");
        Board b = a;
        b.name = QStringLiteral("Renamed");
        b.revision = 7;
        b.items.append(itemWith(ItemStatus::done));
        QCOMPARE(a, b);
        QCOMPARE(qHash(a), qHash(b));

        Board c = a;
        c.id = QUuid::createUuid();
        QVERIFY(!(a == c));
    }

    void ownership_data()
    {
        QTest::addColumn<bool>("cloud");
        QTest::addColumn<int>("memberRole"); // -1: not a member, else BoardRole::Kind
        QTest::addColumn<bool>("askWithUser");
        QTest::addColumn<bool>("ownerNamedInBoardOwner");
        QTest::addColumn<bool>("owned");

        QTest::newRow("local board, nobody signed in") << false << -1 << false << false << true;
        QTest::newRow("local board, any user") << false << -1 << true << false << true;
        QTest::newRow("cloud, no user") << true << int(BoardRole::Kind::owner) << false << false << false;
        QTest::newRow("cloud, owner member") << true << int(BoardRole::Kind::owner) << true << false << true;
        QTest::newRow("cloud, editor member") << true << int(BoardRole::Kind::editor) << true << false << false;
        QTest::newRow("cloud, custom member") << true << int(BoardRole::Kind::custom) << true << false << false;
        QTest::newRow("cloud, boardOwner only") << true << -1 << true << true << false;
    }

    void ownership()
    {
        QFETCH(bool, cloud);
        QFETCH(int, memberRole);
        QFETCH(bool, askWithUser);
        QFETCH(bool, ownerNamedInBoardOwner);
        QFETCH(bool, owned);

        const QUuid me = QUuid::createUuid();
        Board board;
        board.id = QUuid::createUuid();
        board.syncWithServer = cloud;
        board.users.append(member(QUuid::createUuid(), BoardRole::owner()));
        if (memberRole >= 0) {
            const auto kind = BoardRole::Kind(memberRole);
            board.users.append(member(me,
                kind == BoardRole::Kind::owner        ? BoardRole::owner()
                    : kind == BoardRole::Kind::editor ? BoardRole::editor()
                                                      : BoardRole::custom(QStringLiteral("ADMIN"))));
        }
        if (ownerNamedInBoardOwner)
            board.boardOwner = member(me, BoardRole::owner());

        const std::optional<QUuid> asked = askWithUser ? std::optional(me) : std::nullopt;
        QCOMPARE(board.isOwnedBy(asked), owned);
    }

    void roles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("encoded");

        QTest::newRow("OWNER") << "OWNER" << int(BoardRole::Kind::owner) << "OWNER";
        QTest::newRow("lower owner") << "owner" << int(BoardRole::Kind::owner) << "OWNER";
        QTest::newRow("mixed editor") << "Editor" << int(BoardRole::Kind::editor) << "EDITOR";
        QTest::newRow("custom kept as read") << "Viewer" << int(BoardRole::Kind::custom) << "Viewer";
        QTest::newRow("empty is custom") << "" << int(BoardRole::Kind::custom) << "";
    }

    void roles()
    {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(QString, encoded);
        const BoardRole role = BoardRole::fromText(text);
        QCOMPARE(int(role.kind()), kind);
        QCOMPARE(role.text(), encoded);
    }

    void roleOrdering()
    {
        const BoardRole viewer = BoardRole::custom(QStringLiteral("VIEWER"));
        const BoardRole admin = BoardRole::custom(QStringLiteral("ADMIN"));
        QVERIFY(viewer < BoardRole::editor());
        QVERIFY(BoardRole::editor() < BoardRole::owner());
        QVERIFY(!(viewer < admin) && !(admin < viewer));
        QVERIFY(!(viewer == admin));
        QVERIFY(viewer == BoardRole::custom(QStringLiteral("VIEWER")));
    }

    void progress()
    {
        Board board;
        QCOMPARE(board.overallProgress(), OverallBoardProgress {});
        board.items = { itemWith(ItemStatus::done, true), itemWith(ItemStatus::todo, true) };
        QCOMPARE(board.overallProgress(), OverallBoardProgress {});
        QVERIFY(board.undeletedItems().isEmpty());

        board.items.append(itemWith(ItemStatus::done));
        board.items.append(itemWith(ItemStatus::done, false, true)); // archived still counts
        board.items.append(itemWith(ItemStatus::inProgress));
        board.items.append(itemWith(ItemStatus::todo));
        const OverallBoardProgress expected { 4, 2, 1, 1 };
        QCOMPARE(board.overallProgress(), expected);
        QCOMPARE(board.undeletedItems().size(), 4);
        QCOMPARE(board.undeletedItems().first().id, board.items.at(2).id);
    }

    void percent_data()
    {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << qint64(0) << qint64(0) << "0%";
        QTest::newRow("negative total") << qint64(-3) << qint64(2) << "0%";
        QTest::newRow("two of three") << qint64(3) << qint64(2) << "67%";
        QTest::newRow("one of eight rounds half up") << qint64(8) << qint64(1) << "13%";
        QTest::newRow("all") << qint64(5) << qint64(5) << "100%";
        QTest::newRow("one of three") << qint64(3) << qint64(1) << "33%";
    }

    void percent()
    {
        QFETCH(qint64, total);
        QFETCH(qint64, count);
        QFETCH(QString, text);
        QCOMPARE(percentText(total, count), text);
    }

    void mentionHandle_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("handle");
        QTest::newRow("ordinary") << "ana.li@example.com" << "ana.li";
        QTest::newRow("no at") << "localonly" << "localonly";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("leading at") << "@example.com" << "example.com";
    }

    void mentionHandle()
    {
        QFETCH(QString, email);
        QFETCH(QString, handle);
        BoardUser user;
        user.email = email;
        QCOMPARE(user.mentionHandle(), handle);
    }

    void uuidTextRoundTrips_data()
    {
        QTest::addColumn<QUuid>("id");
        QTest::addColumn<QString>("text");
        QTest::newRow("nil") << QUuid() << "00000000-0000-0000-0000-000000000000";
        QTest::newRow("all bits set") << QUuid::fromString(QStringLiteral("ffffffff-ffff-ffff-ffff-ffffffffffff"))
                                      << "FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF";
        QTest::newRow("every hex digit in every group")
            << QUuid(0x01234567, 0x89ab, 0xcdef, 0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10)
            << "01234567-89AB-CDEF-FEDC-BA9876543210";
        QTest::newRow("leading zeros kept in each group") << QUuid(0x0000000a, 0x000b, 0x000c, 0x00, 0x0d, 0, 0, 0, 0, 0, 0x0e)
                                                          << "0000000A-000B-000C-000D-00000000000E";
        QTest::newRow("high bit of every byte") << QUuid(0x80808080, 0x8080, 0x8080, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80)
                                                << "80808080-8080-8080-8080-808080808080";
        for (int i = 0; i < 8; ++i) {
            const QUuid random = QUuid::createUuid();
            // Qt's own formatting, upper-cased, is the reference for ids made at random.
            QTest::addRow("random %d", i) << random << random.toString(QUuid::WithoutBraces).toUpper();
        }
    }

    void uuidTextRoundTrips()
    {
        QFETCH(QUuid, id);
        QFETCH(QString, text);
        QCOMPARE(uuidText(id), text);
        char buffer[uuidTextLength + 1];
        buffer[uuidTextLength] = '#'; // nothing is written past the text
        writeUuidText(id, buffer);
        QCOMPARE(QByteArray(buffer, uuidTextLength + 1), text.toLatin1() + '#');
        QCOMPARE(uuidFromText(text), std::optional(id));
        QCOMPARE(uuidFromText(text.toLower()), std::optional(id));
        QCOMPARE(readUuidText(text.toLatin1().constData(), text.size()), id);
        QCOMPARE(readUuidText(text.toLower().toLatin1().constData(), text.size()), id);
    }

    // Both readings of ids must agree with Qt's on every text, ids or not.
    void uuidReadingAgreesWithQt_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("upper case") << QByteArray("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
        QTest::newRow("lower case") << QByteArray("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
        QTest::newRow("mixed case") << QByteArray("e621E1f8-C36c-495A-93fC-0c247A3e6E5f");
        QTest::newRow("braces") << QByteArray("{e621e1f8-c36c-495a-93fc-0c247a3e6e5f}");
        QTest::newRow("letter past F") << QByteArray("G621E1F8-C36C-495A-93FC-0C247A3E6E5F");
        QTest::newRow("bad digit last") << QByteArray("E621E1F8-C36C-495A-93FC-0C247A3E6E5Z");
        QTest::newRow("digit neighbours in ASCII") << QByteArray("/:@`GgE1F8-C36C-495A-93FC-0C247A3E6E5F");
        QTest::newRow("hyphen moved") << QByteArray("E621E1F-8C36C-495A-93FC-0C247A3E6E5F");
        QTest::newRow("space for a hyphen") << QByteArray("E621E1F8 C36C-495A-93FC-0C247A3E6E5F");
        QTest::newRow("one short") << QByteArray("E621E1F8-C36C-495A-93FC-0C247A3E6E5");
        QTest::newRow("one long") << QByteArray("E621E1F8-C36C-495A-93FC-0C247A3E6E5FF");
        QTest::newRow("no hyphens") << QByteArray("E621E1F8C36C495A93FC0C247A3E6E5F");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("high bytes") << QByteArray("\xe9\xe9\xe9\xe9\xe9\xe9\xe9\xe9-C36C-495A-93FC-0C247A3E6E5F");
        QTest::newRow("nul inside") << QByteArray("E621E1F8-C36C-495A-93FC-0C247A3E\0E5F", 36);
    }

    void uuidReadingAgreesWithQt()
    {
        QFETCH(QByteArray, text);
        const QUuid qt = QUuid::fromString(QLatin1StringView(text));
        QCOMPARE(readUuidText(text.constData(), text.size()), qt);
        QCOMPARE(uuidFromText(QString::fromLatin1(text)), qt.isNull() ? std::nullopt : std::optional(qt));
    }
};

QTEST_GUILESS_MAIN(DomainRecordsTest)
#include "DomainRecordsTest.moc"
