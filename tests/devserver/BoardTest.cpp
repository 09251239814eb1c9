// Invitations and their guessing limit, membership rules, archived boards, text limits, access
// denial for non-members, and the notification feed, over raw HTTP.
#include "Api.h"

#include <QStandardPaths>
#include <QTest>

using namespace Api;

class BoardTest : public QObject
{
    Q_OBJECT

private:
    static QJsonObject feed(SharedBoard& f, const QString& token)
    {
        return f.server
            .request("GET", QStringLiteral("/api/notifications?readOnly=true"), std::nullopt, token)
            .object();
    }

    static QJsonObject memberOf(const QJsonObject& details, const QString& userId)
    {
        for (const QJsonValue& user : details.value(QStringLiteral("users")).toArray()) {
            if (user.toObject().value(QStringLiteral("userId")).toString() == userId)
                return user.toObject();
        }
        return {};
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void joiningMakesAnEditorAndTellsTheOtherMembers()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QString code = invite(f.server, f.ann.accessToken, f.board);
        QCOMPARE(code.size(), 8);
        const DevServer::Reply joined = join(f.server, f.eve.accessToken, code.toLower());
        QCOMPARE(joined.status, 200);
        QCOMPARE(joined.object().value(QStringLiteral("id")).toString(), f.board);
        QCOMPARE(joined.object().value(QStringLiteral("name")).toString(), QStringLiteral("Plans"));

        const QJsonObject details
            = f.server
                  .request("GET", QStringLiteral("/api/boards/") + f.board, std::nullopt, f.eve.accessToken)
                  .object();
        QCOMPARE(
            details.value(QStringLiteral("boardOwner")).toObject().value(QStringLiteral("userId")).toString(),
            f.ann.userId);
        QCOMPARE(details.value(QStringLiteral("users")).toArray().size(), 3);
        const QJsonObject eve = memberOf(details, f.eve.userId);
        QCOMPARE(eve.value(QStringLiteral("role")).toString(), QStringLiteral("EDITOR"));
        QCOMPARE(eve.value(QStringLiteral("email")).toString(), QStringLiteral("eve@example.com"));
        QCOMPARE(eve.value(QStringLiteral("displayName")).toString(), QStringLiteral("Eve"));
        QCOMPARE(eve.value(QStringLiteral("boardId")).toString(), f.board);
        QVERIFY(!eve.value(QStringLiteral("grantedAt")).toString().isEmpty());

        // Ann hears about Bob and Eve, Bob about Eve, Eve about nobody.
        const QJsonObject annFeed = feed(f, f.ann.accessToken);
        QCOMPARE(annFeed.value(QStringLiteral("unreadCount7d")).toInt(), 2);
        const QJsonObject latest = annFeed.value(QStringLiteral("items")).toArray().first().toObject();
        QCOMPARE(latest.value(QStringLiteral("type")).toString(), QStringLiteral("BoardMemberJoined"));
        QCOMPARE(latest.value(QStringLiteral("actorId")).toString(), f.eve.userId);
        QCOMPARE(latest.value(QStringLiteral("actorDisplayName")).toString(), QStringLiteral("Eve"));
        QCOMPARE(latest.value(QStringLiteral("boardId")).toString(), f.board);
        QVERIFY(!latest.contains(QStringLiteral("readAt")));
        QCOMPARE(feed(f, f.bob.accessToken).value(QStringLiteral("unreadCount7d")).toInt(), 1);
        QCOMPARE(feed(f, f.eve.accessToken).value(QStringLiteral("items")).toArray().size(), 0);
    }

    void invitationCodes_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        QTest::newRow("used within ten minutes") << "fresh" << 200 << "";
        QTest::newRow("used after ten minutes") << "expired" << 410 << "INVITATION_EXPIRED";
        QTest::newRow("used a second time") << "reused" << 410 << "INVITATION_USED";
        QTest::newRow("unknown code") << "unknown" << 404 << "INVITATION_NOT_FOUND";
        QTest::newRow("archived board") << "archived" << 0 << "";
    }

    void invitationCodes()
    {
        QFETCH(QString, scenario);
        QFETCH(int, status);
        QFETCH(QString, code);
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        if (scenario == QLatin1String("archived")) {
            f.server.request("PATCH", QStringLiteral("/api/boards/") + f.board,
                bytes({{QStringLiteral("active"), false}}), f.ann.accessToken);
            const DevServer::Reply refused = f.server.request("POST",
                QStringLiteral("/api/boards/%1/invitations").arg(f.board), std::nullopt, f.ann.accessToken);
            QCOMPARE(refused.status, 409);
            QCOMPARE(
                refused.object().value(QStringLiteral("code")).toString(), QStringLiteral("BOARD_ARCHIVED"));
            return;
        }
        QString invitation = invite(f.server, f.ann.accessToken, f.board);
        if (scenario == QLatin1String("fresh"))
            QVERIFY(f.server.advanceClock(599));
        else if (scenario == QLatin1String("expired"))
            QVERIFY(f.server.advanceClock(601));
        else if (scenario == QLatin1String("reused"))
            QCOMPARE(join(f.server,
                         f.server.createAccount(QStringLiteral("cy@example.com"), QString()).accessToken,
                         invitation)
                         .status,
                200);
        else
            invitation = QStringLiteral("ZZZZZZZZ");

        const DevServer::Reply answer = join(f.server, f.eve.accessToken, invitation);
        QCOMPARE(answer.status, status);
        if (!code.isEmpty())
            QCOMPARE(answer.object().value(QStringLiteral("code")).toString(), code);
        const bool member
            = f.server
                  .request("GET", QStringLiteral("/api/boards/") + f.board, std::nullopt, f.eve.accessToken)
                  .status
            == 200;
        QCOMPARE(member, status == 200);
    }

    void outsidersAreDenied_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path"); // %1 board, %2 item
        QTest::addColumn<QByteArray>("body");
        const QByteArray item
            = R"({"content":"x","status":"TODO","order":1,"createdAt":"2024-05-01T12:30:00Z","boardId":"%1"})";
        QTest::newRow("read board") << QByteArray("GET") << "/api/boards/%1" << QByteArray();
        QTest::newRow("rename") << QByteArray("PATCH") << "/api/boards/%1"
                                << QByteArray(R"({"name":"Mine"})");
        QTest::newRow("delete board") << QByteArray("DELETE") << "/api/boards/%1" << QByteArray();
        QTest::newRow("sync") << QByteArray("POST") << "/api/boards/%1/sync"
                              << QByteArray(R"({"checkpoint":0,"items":[]})");
        QTest::newRow("invite") << QByteArray("POST") << "/api/boards/%1/invitations" << QByteArray();
        QTest::newRow("remove member")
            << QByteArray("DELETE") << "/api/boards/%1/users?userId=%3" << QByteArray();
        QTest::newRow("transfer") << QByteArray("POST") << "/api/boards/%1/users/transfer-ownership"
                                  << QByteArray(R"({"newOwnerId":"%3"})");
        QTest::newRow("add item") << QByteArray("POST") << "/api/boards/%1/items/%2" << item;
        QTest::newRow("update item") << QByteArray("PATCH") << "/api/boards/%1/items/%2"
                                     << QByteArray(R"({"content":"x","revision":1})");
        QTest::newRow("delete item") << QByteArray("DELETE") << "/api/boards/%1/items/%2" << QByteArray();
        QTest::newRow("improve") << QByteArray("POST") << "/api/boards/%1/items/%2/improve"
                                 << QByteArray(R"({"content":"x"})");
    }

    void outsidersAreDenied()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QString item = newId();
        addItem(f.server, f.ann.accessToken, f.board, item, QStringLiteral("private"));
        const QString filledPath = path.arg(f.board, item, f.bob.userId);
        const std::optional<QByteArray> filledBody = body.isEmpty()
            ? std::nullopt
            : std::optional(QString::fromUtf8(body)
                                .replace(QStringLiteral("%1"), f.board)
                                .replace(QStringLiteral("%3"), f.bob.userId)
                                .toUtf8());

        const DevServer::Reply denied = f.server.request(method, filledPath, filledBody, f.eve.accessToken);
        QCOMPARE(denied.status, 403);
        const QJsonObject error = denied.object();
        QCOMPARE(error.value(QStringLiteral("code")).toString(), QStringLiteral("BOARD_ACCESS_DENIED"));
        QCOMPARE(error.value(QStringLiteral("status")).toInt(), 403);
        QCOMPARE(error.value(QStringLiteral("path")).toString(), filledPath.section(QLatin1Char('?'), 0, 0));
        QVERIFY(!error.value(QStringLiteral("message")).toString().isEmpty());
        QVERIFY(!error.value(QStringLiteral("timestamp")).toString().isEmpty());
        // Nothing changed for the members.
        QCOMPARE(boardRevision(f.server, f.ann.accessToken, f.board), 1);
    }

    void memberRules_data()
    {
        QTest::addColumn<QString>("actor"); // ann (owner) or bob (editor)
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path"); // %1 board, %2 ann, %3 bob
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        QTest::newRow("owner removes an editor")
            << "ann" << QByteArray("DELETE") << "/api/boards/%1/users?userId=%3" << QByteArray() << 204 << "";
        QTest::newRow("editor leaves")
            << "bob" << QByteArray("DELETE") << "/api/boards/%1/users?userId=%3" << QByteArray() << 204 << "";
        QTest::newRow("editor removes the owner")
            << "bob" << QByteArray("DELETE") << "/api/boards/%1/users?userId=%2" << QByteArray() << 403
            << "NOT_BOARD_OWNER";
        QTest::newRow("owner leaves") << "ann" << QByteArray("DELETE") << "/api/boards/%1/users?userId=%2"
                                      << QByteArray() << 409 << "OWNER_CANNOT_LEAVE";
        QTest::newRow("removal without user id") << "ann" << QByteArray("DELETE") << "/api/boards/%1/users"
                                                 << QByteArray() << 400 << "INVALID_REQUEST";
        QTest::newRow("editor archives") << "bob" << QByteArray("PATCH") << "/api/boards/%1"
                                         << QByteArray(R"({"active":false})") << 403 << "NOT_BOARD_OWNER";
        QTest::newRow("editor renames") << "bob" << QByteArray("PATCH") << "/api/boards/%1"
                                        << QByteArray(R"({"name":"Ours"})") << 204 << "";
        QTest::newRow("editor describes") << "bob" << QByteArray("PATCH") << "/api/boards/%1"
                                          << QByteArray(R"({"info":"Ours"})") << 403 << "NOT_BOARD_OWNER";
        QTest::newRow("owner describes") << "ann" << QByteArray("PATCH") << "/api/boards/%1"
                                         << QByteArray(R"({"info":"Ours"})") << 204 << "";
        QTest::newRow("empty name") << "ann" << QByteArray("PATCH") << "/api/boards/%1"
                                    << QByteArray(R"({"name":"  "})") << 400 << "INVALID_NAME";
        QTest::newRow("editor deletes")
            << "bob" << QByteArray("DELETE") << "/api/boards/%1" << QByteArray() << 403 << "NOT_BOARD_OWNER";
        QTest::newRow("editor invites") << "bob" << QByteArray("POST") << "/api/boards/%1/invitations"
                                        << QByteArray() << 403 << "NOT_BOARD_OWNER";
        QTest::newRow("editor transfers")
            << "bob" << QByteArray("POST") << "/api/boards/%1/users/transfer-ownership"
            << QByteArray(R"({"newOwnerId":"%3"})") << 403 << "NOT_BOARD_OWNER";
        QTest::newRow("transfer to an outsider")
            << "ann" << QByteArray("POST") << "/api/boards/%1/users/transfer-ownership"
            << QByteArray(R"({"newOwnerId":"%4"})") << 404 << "MEMBER_NOT_FOUND";
    }

    void memberRules()
    {
        QFETCH(QString, actor);
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, code);
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        auto fill = [&](QString text) {
            return text.replace(QStringLiteral("%1"), f.board)
                .replace(QStringLiteral("%2"), f.ann.userId)
                .replace(QStringLiteral("%3"), f.bob.userId)
                .replace(QStringLiteral("%4"), f.eve.userId);
        };
        const QString token = actor == QLatin1String("ann") ? f.ann.accessToken : f.bob.accessToken;
        const DevServer::Reply answer = f.server.request(method, fill(path),
            body.isEmpty() ? std::nullopt : std::optional(fill(QString::fromUtf8(body)).toUtf8()), token);
        QCOMPARE(answer.status, status);
        if (!code.isEmpty())
            QCOMPARE(answer.object().value(QStringLiteral("code")).toString(), code);
        if (method == "DELETE" && status == 204) {
            // A removed member is an outsider from now on.
            const DevServer::Reply gone = f.server.request(
                "GET", QStringLiteral("/api/boards/") + f.board, std::nullopt, f.bob.accessToken);
            QCOMPARE(gone.object().value(QStringLiteral("code")).toString(),
                QStringLiteral("BOARD_ACCESS_DENIED"));
            QVERIFY(f.server.request("GET", QStringLiteral("/api/boards"), std::nullopt, f.bob.accessToken)
                        .json()
                        .toArray()
                        .isEmpty());
        }
    }

    // Every change of an archived board is refused, by the owner too, until it is brought back;
    // reading it stays possible.
    void archivedBoardsAreReadOnly_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path"); // %1 board, %2 a stored item
        QTest::addColumn<QByteArray>("body"); // %1 board, %2 a new item, %3 ann
        QTest::addColumn<int>("status");
        const QByteArray item
            = R"({"content":"x","status":"TODO","order":1,"createdAt":"2024-05-01T12:00:00Z",)"
              R"("boardId":"%1"})";
        QTest::newRow("add item") << QByteArray("POST") << "/api/boards/%1/items/%3" << item << 409;
        QTest::newRow("edit item") << QByteArray("PATCH") << "/api/boards/%1/items/%2"
                                   << QByteArray(R"({"revision":1,"content":"y"})") << 409;
        QTest::newRow("delete item") << QByteArray("DELETE") << "/api/boards/%1/items/%2" << QByteArray()
                                     << 409;
        QTest::newRow("sync an item") << QByteArray("POST") << "/api/boards/%1/sync"
                                      << QByteArray(R"({"checkpoint":0,"items":[%4]})") << 409;
        QTest::newRow("rename") << QByteArray("PATCH") << "/api/boards/%1" << QByteArray(R"({"name":"New"})")
                                << 409;
        QTest::newRow("describe") << QByteArray("PATCH") << "/api/boards/%1"
                                  << QByteArray(R"({"info":"New"})") << 409;
        QTest::newRow("read by syncing") << QByteArray("POST") << "/api/boards/%1/sync"
                                         << QByteArray(R"({"checkpoint":0,"items":[]})") << 200;
        QTest::newRow("bring back and rename") << QByteArray("PATCH") << "/api/boards/%1"
                                               << QByteArray(R"({"active":true,"name":"New"})") << 204;
    }

    void archivedBoardsAreReadOnly()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QString stored = newId();
        QCOMPARE(addItem(f.server, f.ann.accessToken, f.board, stored, QStringLiteral("kept"))
                     .value(QStringLiteral("revision"))
                     .toInteger(),
            1);
        QCOMPARE(f.server
                     .request("PATCH", QStringLiteral("/api/boards/") + f.board,
                         bytes({{QStringLiteral("active"), false}}), f.ann.accessToken)
                     .status,
            204);
        const QString created = newId();
        const QByteArray pending
            = bytes(remoteItem(created, f.board, f.ann.userId, QStringLiteral("pending"), 0));
        const QByteArray filled = QString::fromUtf8(body)
                                      .replace(QStringLiteral("%1"), f.board)
                                      .replace(QStringLiteral("%4"), QString::fromUtf8(pending))
                                      .toUtf8();
        const QString filledPath = QString(path)
                                       .replace(QStringLiteral("%1"), f.board)
                                       .replace(QStringLiteral("%2"), stored)
                                       .replace(QStringLiteral("%3"), created);
        const DevServer::Reply answer = f.server.request(
            method, filledPath, filled.isEmpty() ? std::nullopt : std::optional(filled), f.ann.accessToken);
        QCOMPARE(answer.status, status);
        if (status == 409)
            QCOMPARE(answer.object().value(QStringLiteral("message")).toString(),
                QStringLiteral("Archived boards are read-only."));
        const QJsonObject board
            = f.server
                  .request("GET", QStringLiteral("/api/boards/") + f.board, std::nullopt, f.ann.accessToken)
                  .object()
                  .value(QStringLiteral("board"))
                  .toObject();
        QCOMPARE(board.value(QStringLiteral("name")).toString(),
            status == 204 ? QStringLiteral("New") : QStringLiteral("Plans"));
        QVERIFY(!board.contains(QStringLiteral("info")));
        QCOMPARE(board.value(QStringLiteral("revision")).toInteger(), 1);
    }

    // Texts past their limit, or holding U+0000, are refused with the field named, before anything
    // is stored.
    void overlongTextsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path"); // %1 board, %2 an item id
        QTest::addColumn<QJsonObject>("body");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("named");
        const QString long300 = QString(300, QLatin1Char('t'));
        QTest::newRow("board name") << QByteArray("PATCH") << "/api/boards/%1"
                                    << QJsonObject {{"name", QString(101, QLatin1Char('n'))}}
                                    << "FIELD_TOO_LONG"
                                    << "\"name\"";
        QTest::newRow("new board name")
            << QByteArray("POST") << "/api/boards" << QJsonObject {{"name", QString(101, QLatin1Char('n'))}}
            << "FIELD_TOO_LONG"
            << "\"name\"";
        QTest::newRow("board name with U+0000")
            << QByteArray("POST") << "/api/boards" << QJsonObject {{"name", QStringLiteral("cut\u0000here")}}
            << "INVALID_TEXT"
            << "\"name\"";
        QTest::newRow("board description")
            << QByteArray("PATCH") << "/api/boards/%1"
            << QJsonObject {{"info", QString(2001, QLatin1Char('i'))}} << "FIELD_TOO_LONG"
            << "\"info\"";
        QTest::newRow("feedback") << QByteArray("POST") << "/api/feedback"
                                  << QJsonObject {{"text", QString(5001, QLatin1Char('f'))}}
                                  << "FIELD_TOO_LONG"
                                  << "\"text\"";
        QTest::newRow("text to improve")
            << QByteArray("POST") << "/api/boards/%1/items/%2/improve"
            << QJsonObject {{"content", long300 + QLatin1Char('!')}} << "CONTENT_TOO_LONG"
            << "Item text";
        QTest::newRow("invitation code") << QByteArray("PATCH") << "/api/boards/invitations?code=" + long300
                                         << QJsonObject() << "FIELD_TOO_LONG"
                                         << "\"code\"";
        QTest::newRow("refresh token") << QByteArray("POST") << "/auth/refresh"
                                       << QJsonObject {{"refreshToken", long300}} << "FIELD_TOO_LONG"
                                       << "\"refreshToken\"";
        QTest::newRow("device nonce") << QByteArray("GET") << "/auth/google/start?deviceNonce=" + long300
                                      << QJsonObject() << "FIELD_TOO_LONG"
                                      << "\"deviceNonce\"";
        QTest::newRow("display name")
            << QByteArray("POST") << "/__admin/accounts"
            << QJsonObject {{"email", "cy@example.com"}, {"displayName", QString(101, QLatin1Char('d'))}}
            << "FIELD_TOO_LONG"
            << "\"displayName\"";
        QTest::newRow("e-mail") << QByteArray("POST") << "/__admin/accounts"
                                << QJsonObject {{"email", QString(250, QLatin1Char('e')) + "@example.com"}}
                                << "INVALID_EMAIL"
                                << "at most 254 characters";
        QTest::newRow("e-mail with U+0000")
            << QByteArray("POST") << "/__admin/accounts"
            << QJsonObject {{"email", QStringLiteral("ann@example.com\u0000other")}} << "INVALID_EMAIL"
            << "is not an e-mail address";
    }

    void overlongTextsAreRefused()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QJsonObject, body);
        QFETCH(QString, code);
        QFETCH(QString, named);
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QString filledPath
            = QString(path).replace(QStringLiteral("%1"), f.board).replace(QStringLiteral("%2"), newId());
        const DevServer::Reply answer = f.server.request(method, filledPath,
            body.isEmpty() ? std::nullopt : std::optional(bytes(body)), f.ann.accessToken);
        QCOMPARE(answer.status, 400);
        QCOMPARE(answer.object().value(QStringLiteral("code")).toString(), code);
        QVERIFY2(answer.object().value(QStringLiteral("message")).toString().contains(named),
            answer.body.constData());
        const QJsonObject board
            = f.server
                  .request("GET", QStringLiteral("/api/boards/") + f.board, std::nullopt, f.ann.accessToken)
                  .object()
                  .value(QStringLiteral("board"))
                  .toObject();
        QCOMPARE(board.value(QStringLiteral("name")).toString(), QStringLiteral("Plans"));
        QCOMPARE(f.server.request("GET", QStringLiteral("/api/boards"), std::nullopt, f.ann.accessToken)
                     .json()
                     .toArray()
                     .size(),
            1);
    }

    // Wrong codes are counted per account and per network address: enough for typing mistakes,
    // far too few to find a code by guessing.
    void invitationCodeGuessingIsLimited()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QString code = invite(f.server, f.ann.accessToken, f.board);
        const QStringList guessers {f.eve.accessToken,
            f.server.createAccount(QStringLiteral("cy@example.com"), QString()).accessToken,
            f.server.createAccount(QStringLiteral("dee@example.com"), QString()).accessToken};
        for (int guess = 0; guess < 10; ++guess)
            QCOMPARE(join(f.server, f.eve.accessToken, QStringLiteral("WRONG%1").arg(guess)).status, 404);
        // Eve's account has used up its guesses: the right code waits too, and says how long.
        const DevServer::Reply limited = join(f.server, f.eve.accessToken, code);
        QCOMPARE(limited.status, 429);
        QCOMPARE(limited.object().value(QStringLiteral("code")).toString(),
            QStringLiteral("TOO_MANY_INVITATION_CODES"));
        const int retryAfter = limited.header("Retry-After").toInt();
        QVERIFY2(retryAfter > 0 && retryAfter <= 900, limited.header("Retry-After").constData());
        // The address allows 30: two more accounts use them up, and then a fourth is refused too.
        for (const QString& guesser : guessers.mid(1)) {
            for (int guess = 0; guess < 10; ++guess)
                QCOMPARE(join(f.server, guesser, QStringLiteral("WRONG%1").arg(guess)).status, 404);
        }
        const DevServer::Account fourth
            = f.server.createAccount(QStringLiteral("fay@example.com"), QString());
        QCOMPARE(join(f.server, fourth.accessToken, code).status, 429);
        // Once the window has passed, codes are looked at again (signed in anew: access tokens and
        // the invitation live shorter).
        QVERIFY(f.server.advanceClock(15 * 60));
        const DevServer::Account later = f.server.createAccount(QStringLiteral("fay@example.com"), QString());
        QCOMPARE(join(f.server, later.accessToken, code).status, 410);
    }

    void ownershipMovesToAnotherMember()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        QCOMPARE(f.server
                     .request("POST", QStringLiteral("/api/boards/%1/users/transfer-ownership").arg(f.board),
                         bytes({{QStringLiteral("newOwnerId"), f.bob.userId}}), f.ann.accessToken)
                     .status,
            204);
        const QJsonObject details
            = f.server
                  .request("GET", QStringLiteral("/api/boards/") + f.board, std::nullopt, f.ann.accessToken)
                  .object();
        QCOMPARE(
            details.value(QStringLiteral("boardOwner")).toObject().value(QStringLiteral("userId")).toString(),
            f.bob.userId);
        QCOMPARE(memberOf(details, f.ann.userId).value(QStringLiteral("role")).toString(),
            QStringLiteral("EDITOR"));
        QCOMPARE(memberOf(details, f.bob.userId).value(QStringLiteral("role")).toString(),
            QStringLiteral("OWNER"));

        QCOMPARE(
            f.server
                .request("DELETE", QStringLiteral("/api/boards/") + f.board, std::nullopt, f.ann.accessToken)
                .status,
            403);
        QCOMPARE(
            f.server
                .request("DELETE", QStringLiteral("/api/boards/") + f.board, std::nullopt, f.bob.accessToken)
                .status,
            204);
        // A deleted board is gone for everyone who had it.
        QCOMPARE(f.server
                     .request("POST", QStringLiteral("/api/boards/%1/sync").arg(f.board),
                         bytes({{QStringLiteral("checkpoint"), 0}, {QStringLiteral("items"), QJsonArray()}}),
                         f.ann.accessToken)
                     .object()
                     .value(QStringLiteral("code"))
                     .toString(),
            QStringLiteral("BOARD_ACCESS_DENIED"));
    }

    void boardListShowsOnlyOwnBoards()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QString evesBoard = createBoard(f.server, f.eve.accessToken, QStringLiteral("Eve's"));
        f.server.request("PATCH", QStringLiteral("/api/boards/") + f.board,
            bytes({{QStringLiteral("info"), QStringLiteral("Q3 goals")}, {QStringLiteral("active"), false}}),
            f.ann.accessToken);

        const QJsonArray bobs
            = f.server.request("GET", QStringLiteral("/api/boards"), std::nullopt, f.bob.accessToken)
                  .json()
                  .toArray();
        QCOMPARE(recordIds(bobs), QStringList {f.board});
        const QJsonObject board = bobs.first().toObject();
        QCOMPARE(board.value(QStringLiteral("info")).toString(), QStringLiteral("Q3 goals"));
        QCOMPARE(board.value(QStringLiteral("active")).toBool(true), false);
        QCOMPARE(board.value(QStringLiteral("createdBy")).toString(), f.ann.userId);
        QCOMPARE(
            recordIds(f.server.request("GET", QStringLiteral("/api/boards"), std::nullopt, f.eve.accessToken)
                          .json()
                          .toArray()),
            QStringList {evesBoard});
    }

    void assignmentNotifiesTheAssignee()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QString item = newId();
        addItem(f.server, f.ann.accessToken, f.board, item, QStringLiteral("Report"));
        QCOMPARE(feed(f, f.bob.accessToken).value(QStringLiteral("unreadCount7d")).toInt(), 0);
        const QString path = QStringLiteral("/api/boards/%1/items/%2").arg(f.board, item);
        f.server.request("PATCH", path,
            bytes({{QStringLiteral("assignee"), f.bob.userId}, {QStringLiteral("revision"), 1}}),
            f.ann.accessToken);
        // Assigning to oneself, or keeping the same assignee, notifies nobody.
        f.server.request("PATCH", path,
            bytes({{QStringLiteral("content"), QStringLiteral("Report!")}, {QStringLiteral("revision"), 2}}),
            f.ann.accessToken);
        f.server.request("PATCH", path,
            bytes({{QStringLiteral("assignee"), f.ann.userId}, {QStringLiteral("revision"), 3}}),
            f.ann.accessToken);

        const QJsonObject bobs = feed(f, f.bob.accessToken);
        QCOMPARE(bobs.value(QStringLiteral("unreadCount7d")).toInt(), 1);
        const QJsonObject assigned = bobs.value(QStringLiteral("items")).toArray().first().toObject();
        QCOMPARE(assigned.value(QStringLiteral("type")).toString(), QStringLiteral("ItemAssigned"));
        QCOMPARE(assigned.value(QStringLiteral("itemId")).toString(), item);
        QCOMPARE(assigned.value(QStringLiteral("actorId")).toString(), f.ann.userId);
        // Ann only has Bob's joining in her feed.
        QCOMPARE(feed(f, f.ann.accessToken).value(QStringLiteral("items")).toArray().size(), 1);
    }

    void feedWithoutReadOnlyMarksWhatItShows()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QJsonObject shown
            = f.server.request("GET", QStringLiteral("/api/notifications"), std::nullopt, f.ann.accessToken)
                  .object();
        QCOMPARE(shown.value(QStringLiteral("unreadCount7d")).toInt(), 1);
        QCOMPARE(feed(f, f.ann.accessToken).value(QStringLiteral("unreadCount7d")).toInt(), 0);
    }

    void markingNotificationsRead()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        join(f.server, f.eve.accessToken, invite(f.server, f.ann.accessToken, f.board));
        const DevServer::Account cy
            = f.server.createAccount(QStringLiteral("cy@example.com"), QStringLiteral("Cy"));
        join(f.server, cy.accessToken, invite(f.server, f.ann.accessToken, f.board));
        QJsonObject annFeed = feed(f, f.ann.accessToken);
        QCOMPARE(annFeed.value(QStringLiteral("unreadCount7d")).toInt(), 3);
        QCOMPARE(feed(f, f.ann.accessToken).value(QStringLiteral("unreadCount7d")).toInt(),
            3); // readOnly leaves them unread

        const QString first = annFeed.value(QStringLiteral("items"))
                                  .toArray()
                                  .first()
                                  .toObject()
                                  .value(QStringLiteral("id"))
                                  .toString();
        const QString path = QStringLiteral("/api/notifications/%1/read").arg(first);
        QCOMPARE(f.server.request("POST", path, bytes({{QStringLiteral("id"), newId()}}), f.ann.accessToken)
                     .status,
            400);
        QCOMPARE(
            f.server.request("POST", path, bytes({{QStringLiteral("id"), first}}), f.bob.accessToken).status,
            404);
        QCOMPARE(
            f.server.request("POST", path, bytes({{QStringLiteral("id"), first}}), f.ann.accessToken).status,
            204);
        annFeed = feed(f, f.ann.accessToken);
        QCOMPARE(annFeed.value(QStringLiteral("unreadCount7d")).toInt(), 2);
        QVERIFY(findRecord(annFeed.value(QStringLiteral("items")).toArray(), first)
                    .contains(QStringLiteral("readAt")));

        // Only the last seven days count as unread.
        QVERIFY(f.server.advanceClock(8 * 24 * 3600));
        const QString ann
            = f.server.createAccount(QStringLiteral("ann@example.com"), QString()).accessToken; // new session
        QCOMPARE(feed(f, ann).value(QStringLiteral("unreadCount7d")).toInt(), 0);
        QCOMPARE(feed(f, ann).value(QStringLiteral("items")).toArray().size(), 3);
        QCOMPARE(
            f.server.request("POST", QStringLiteral("/api/notifications/read-all"), std::nullopt, ann).status,
            204);
        for (const QJsonValue& item : feed(f, ann).value(QStringLiteral("items")).toArray())
            QVERIFY(item.toObject().contains(QStringLiteral("readAt")));
        // Eve's feed is her own: only Cy joined after her, and it is still unread.
        const QString eve = f.server.createAccount(QStringLiteral("eve@example.com"), QString()).accessToken;
        const QJsonArray evesItems = feed(f, eve).value(QStringLiteral("items")).toArray();
        QCOMPARE(evesItems.size(), 1);
        QVERIFY(!evesItems.first().toObject().contains(QStringLiteral("readAt")));
    }
};

QTEST_GUILESS_MAIN(BoardTest)
#include "BoardTest.moc"
