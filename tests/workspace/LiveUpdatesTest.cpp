// Two members on one board, each with a workspace of its own (own store and preferences) that holds
// the service's change channel, against plenko-devserver (or plenko-server on PostgreSQL): each sees
// the other's adds, edits, moves, archives and deletes with no sync asked for; a change made while
// the service is down reaches it and the teammate once the service is back; a channel cut in the
// middle of an event still brings the change; a session ended on the service signs out, keeping
// the unsent changes in a file.
#include "WorkspaceFixture.h"
#include "support/DevServerTestCase.h"
#include "domain/Ids.h"
#include "net/ChangeChannel.h"
#include "session/AccountSignOut.h"
#include "session/AuthState.h"
#include "store/LocalDataService.h"
#include "workspace/AutoSync.h"
#include "workspace/LiveUpdates.h"
#include "workspace/SyncStatus.h"

#include <QDir>
#include <QJsonDocument>
#include <QPointer>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {
constexpr int arrivalTimeoutMs = 10000;

// A workspace with everything the application adds to keep it current; the minute timer of the
// shown board is out of the way, so only the channel can bring a change.
struct LiveClient
{
    WorkspaceClient client;
    QTemporaryDir saved;
    SyncStatus status;
    AutoSync autoSync;
    ChangeChannel channel;
    AuthState auth;
    LiveUpdates live;
    int notifications = 0;

    LiveClient(DevServer* server, const QString& email)
        : client(server, email)
        , autoSync(client.workspace(), client.store(), client.api(), status)
        , channel(client.api())
        , auth(client.api(), client.analytics(), client.toasts(), [](const QUrl&) { return false; })
        , live(channel, autoSync,
              {[this] { ++notifications; },
                  [this] {
                      AccountSignOut::afterRevokedSession(
                          &auth, &client.workspace(), nullptr, &client.toasts(), saved.path());
                  }})
    {
        autoSync.setTiming({std::chrono::hours(1), std::chrono::milliseconds(50), std::chrono::milliseconds(400)});
        channel.setTiming({std::chrono::milliseconds(50), std::chrono::milliseconds(400), std::chrono::seconds(20)});
        channel.start();
    }

    std::shared_ptr<LocalItem> stored(const QUuid& itemId)
    {
        const auto found = client.store().fetchItemsWithIds({itemId});
        return found && found->contains(itemId) ? found->value(itemId) : nullptr;
    }
    std::optional<Item> shown(const QUuid& boardId, const QUuid& itemId)
    {
        const std::optional<Board> board = client.workspace().findBoard(boardId);
        for (const Item& item : board ? board->items : QList<Item> {}) {
            if (item.id == itemId)
                return item;
        }
        return std::nullopt;
    }
};

// Ann's cloud board, joined by Ben; both channels open and both stores quiet.
std::optional<Board> shareBoard(LiveClient& ann, LiveClient& ben)
{
    const Board board = ann.client.createBoard(QStringLiteral("Team"), StorageOption::cloud);
    const auto code = QCoro::waitFor(ann.client.workspace().createInvitation(board));
    if (!code || !QCoro::waitFor(ben.client.workspace().joinBoard(*code)))
        return std::nullopt;
    if (!QTest::qWaitFor([&] { return ann.channel.isConnected() && ben.channel.isConnected(); }, arrivalTimeoutMs))
        return std::nullopt;
    ann.client.toasts().setToast(std::nullopt);
    ben.client.toasts().setToast(std::nullopt);
    return board;
}

// Forwards every connection to the service and, once armed, cuts the next one whose answer carries a
// board's change, in the middle of that event.
class CuttingProxy : public QObject
{
public:
    explicit CuttingProxy(quint16 target)
        : m_target(target)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = m_server.nextPendingConnection())
                pipe(client);
        });
    }
    // The sockets' signals are cut first: a socket being destroyed still says it disconnected, and
    // the other end's handler would then reach the half-destroyed one.
    ~CuttingProxy() override
    {
        for (QTcpSocket* socket : m_server.findChildren<QTcpSocket*>())
            socket->disconnect();
    }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    void arm() { m_armed = true; }
    int cuts() const { return m_cuts; }

private:
    void pipe(QTcpSocket* client)
    {
        auto* upstream = new QTcpSocket(client);
        QPointer<QTcpSocket> down(client);
        connect(client, &QTcpSocket::readyRead, upstream, [client, upstream] { upstream->write(client->readAll()); });
        connect(upstream, &QTcpSocket::readyRead, client, [this, client, upstream] {
            const QByteArray bytes = upstream->readAll();
            const qsizetype event = bytes.indexOf("board-changed");
            if (m_armed && event >= 0) {
                m_armed = false;
                ++m_cuts;
                client->write(bytes.first(event + 5));
                client->flush();
                client->abort();
                upstream->abort();
                return;
            }
            client->write(bytes);
        });
        connect(client, &QTcpSocket::disconnected, upstream, &QTcpSocket::disconnectFromHost);
        connect(upstream, &QTcpSocket::disconnected, client, [down] {
            if (down)
                down->disconnectFromHost();
        });
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        upstream->connectToHost(QHostAddress::LocalHost, m_target);
    }

    QTcpServer m_server;
    quint16 m_target;
    bool m_armed = false;
    int m_cuts = 0;
};
}

class LiveUpdatesTest : public DevServerTestCase
{
    Q_OBJECT

    // The service's live items of the board, as a sync from checkpoint 0 returns them.
    QSet<QUuid> serviceItems(DevServer& server, LiveClient& member, const QUuid& boardId)
    {
        const auto reply = server.request("POST", QStringLiteral("/api/boards/%1/sync").arg(uuidText(boardId)),
            R"({"checkpoint":0,"items":[]})", member.client.api().accessToken());
        QSet<QUuid> ids;
        for (const QJsonValue& value : reply.object().value(QStringLiteral("newItems")).toArray())
            ids.insert(QUuid::fromString(value.toObject().value(QStringLiteral("id")).toString()));
        return ids;
    }

private Q_SLOTS:
    void teammatesChangesArriveBySelf_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("annActs");
        for (const char* operation : {"add", "edit", "move", "archive", "delete"}) {
            QTest::addRow("Ben sees Ann %s", operation) << QString::fromLatin1(operation) << true;
            QTest::addRow("Ann sees Ben %s", operation) << QString::fromLatin1(operation) << false;
        }
    }

    void teammatesChangesArriveBySelf()
    {
        QFETCH(QString, operation);
        QFETCH(bool, annActs);
        LiveClient ann(m_server.get(), QStringLiteral("ann@example.com"));
        LiveClient ben(m_server.get(), QStringLiteral("ben@example.com"));
        QVERIFY(ann.client.isValid() && ben.client.isValid());
        const std::optional<Board> board = shareBoard(ann, ben);
        QVERIFY(board);
        LiveClient& actor = annActs ? ann : ben;
        LiveClient& watcher = annActs ? ben : ann;

        const Item first = actor.client.newItem(*actor.client.workspace().findBoard(board->id), QStringLiteral("first"));
        QCoro::waitFor(actor.client.workspace().addItem(first, *actor.client.workspace().findBoard(board->id)));
        QTRY_VERIFY_WITH_TIMEOUT(watcher.shown(board->id, first.id), arrivalTimeoutMs);

        Item item = *actor.shown(board->id, first.id);
        BoardViewModel& workspace = actor.client.workspace();
        if (operation == QLatin1String("edit")) {
            item.content = QStringLiteral("edited");
            QCoro::waitFor(workspace.updateItem(item));
        } else if (operation == QLatin1String("move")) {
            QCoro::waitFor(workspace.moveItem(item, ItemStatus::done));
        } else if (operation == QLatin1String("archive")) {
            QCoro::waitFor(workspace.setItemArchived(item, true));
        } else if (operation == QLatin1String("delete")) {
            QCoro::waitFor(workspace.deleteItem(item));
        }
        const auto arrived = [&] {
            const auto stored = watcher.stored(first.id);
            if (operation == QLatin1String("delete"))
                return !stored || stored->deletedAt().has_value();
            if (!stored || !stored->didSync())
                return false;
            if (operation == QLatin1String("edit"))
                return stored->content() == QStringLiteral("edited");
            if (operation == QLatin1String("move"))
                return stored->status() == ItemStatus::done;
            if (operation == QLatin1String("archive"))
                return stored->archivedAt().has_value();
            return stored->content() == QStringLiteral("first");
        };
        QVERIFY2(QTest::qWaitFor(arrived, arrivalTimeoutMs), qPrintable(operation));
        // Quiet: the watcher was told nothing, and nothing waits on either side.
        QVERIFY(!watcher.client.lastToast());
        QTRY_COMPARE(actor.status.waitingChanges(), 0);
        QCOMPARE(watcher.status.waitingChanges(), 0);
    }

    // An own change's announcement costs a sync only when this store does not hold its checkpoint:
    // the answer to a sync, or to a post on the shown board that moves the checkpoint one step, holds it.
    void ownChangesAreSyncedOnlyWhenNotHeld_data()
    {
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("refusedFirst");
        QTest::addColumn<int>("syncs");
        // The sync's answer comes after the announcement's wait: the sync under way is waited for.
        QTest::newRow("sent by the retry's slow sync: held") << false << true << 1;
        QTest::newRow("posted to the shown board: held") << true << false << 0;
        QTest::newRow("posted to a board in the background: synced") << false << false << 1;
    }

    void ownChangesAreSyncedOnlyWhenNotHeld()
    {
        QFETCH(bool, shown);
        QFETCH(bool, refusedFirst);
        LiveClient ann(m_server.get(), QStringLiteral("ann@example.com"));
        QVERIFY2(ann.client.isValid(), qPrintable(ann.client.errorString()));
        const Board board = ann.client.createBoard(QStringLiteral("Mine"), StorageOption::cloud);
        const Board other = ann.client.createBoard(QStringLiteral("Other"), StorageOption::cloud);
        QCoro::waitFor(ann.client.workspace().selectBoard(shown ? board.id : other.id));
        const QString syncPath = QStringLiteral("/api/boards/%1/sync").arg(uuidText(board.id));
        // Connected and caught up.
        QTRY_VERIFY_WITH_TIMEOUT(ann.channel.isConnected(), arrivalTimeoutMs);
        QTRY_VERIFY(ann.client.workspace().syncingBoards().isEmpty());
        QVERIFY(QCoro::waitFor(ann.client.workspace().syncBoard(*ann.client.workspace().findBoard(board.id), false)));
        const int syncsBefore = m_server->answered("POST", syncPath);

        QSignalSpy echoes(&ann.channel, &ChangeChannel::boardChanged);
        if (refusedFirst) {
            QVERIFY(m_server->failNext(1, 500, QStringLiteral("/api/boards/%1/items").arg(uuidText(board.id))));
            QVERIFY(m_server->delayAnswerNext(1, int(AutoSync::Timing {}.ownChangeWait.count()) * 2, syncPath));
        }
        const Item item = ann.client.newItem(*ann.client.workspace().findBoard(board.id), QStringLiteral("mine"));
        QCoro::waitFor(ann.client.workspace().addItem(item, *ann.client.workspace().findBoard(board.id)));
        QTRY_VERIFY_WITH_TIMEOUT(!echoes.isEmpty(), arrivalTimeoutMs);
        QVERIFY(echoes.constLast().at(2).toBool());
        QTRY_COMPARE(ann.status.waitingChanges(), 0);
        // Past the wait for the answer, and any sync it started has ended.
        QTest::qWait(int(AutoSync::Timing {}.ownChangeWait.count()) * 2 + 300);
        QTRY_VERIFY(ann.client.workspace().syncingBoards().isEmpty());
        QTEST(m_server->answered("POST", syncPath) - syncsBefore, "syncs");
        QCOMPARE(ann.client.workspace().heldCheckpoint(board.id), echoes.constLast().at(1).value<qint64>());
    }

    void aNotificationIsFetchedAtOnce()
    {
        LiveClient ann(m_server.get(), QStringLiteral("ann@example.com"));
        LiveClient ben(m_server.get(), QStringLiteral("ben@example.com"));
        const std::optional<Board> board = shareBoard(ann, ben);
        QVERIFY(board);
        // Ben, who joined, has had none; one item assigned to him makes one.
        QCOMPARE(ben.notifications, 0);
        Item item = ann.client.newItem(*ann.client.workspace().findBoard(board->id), QStringLiteral("for Ben"));
        item.assignee = ben.client.userId();
        QCoro::waitFor(ann.client.workspace().addItem(item, *ann.client.workspace().findBoard(board->id)));
        QTRY_COMPARE_WITH_TIMEOUT(ben.notifications, 1, arrivalTimeoutMs);
    }

    void anOfflineChangeGoesOutWhenTheServiceIsBack()
    {
        // A service of its own: it is killed and started again, keeping its data.
        QTemporaryDir data;
        DevServer::Options options;
        if (QProcessEnvironment::systemEnvironment().value(QStringLiteral("PLENKO_TEST_SERVICE_DATABASE"))
            != QLatin1String("postgresql"))
            options.dataFile = data.filePath(QStringLiteral("service.json"));
        DevServer server(options);
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        LiveClient ann(&server, QStringLiteral("ann@example.com"));
        LiveClient ben(&server, QStringLiteral("ben@example.com"));
        const std::optional<Board> board = shareBoard(ann, ben);
        QVERIFY(board);

        server.stop();
        QTRY_VERIFY(!ann.channel.isConnected());
        const Item offline = ann.client.newItem(*ann.client.workspace().findBoard(board->id), QStringLiteral("offline"));
        QCoro::waitFor(ann.client.workspace().addItem(offline, *ann.client.workspace().findBoard(board->id)));
        QVERIFY(ann.stored(offline.id) && !ann.stored(offline.id)->didSync());

        QVERIFY2(server.restart(), qPrintable(server.errorString()));
        for (LiveClient* member : {&ann, &ben})
            member->client.api().setBaseUrl(server.baseUrl().toString());
        QTRY_VERIFY_WITH_TIMEOUT(serviceItems(server, ben, board->id).contains(offline.id), arrivalTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(ben.shown(board->id, offline.id), arrivalTimeoutMs);
        QTRY_COMPARE(ann.status.waitingChanges(), 0);
        QVERIFY(ann.channel.isConnected() && ben.channel.isConnected());
    }

    void aChannelCutInTheMiddleOfAnEventStillBringsTheChange()
    {
        LiveClient ben(m_server.get(), QStringLiteral("ben@example.com"));
        CuttingProxy proxy(m_server->port());
        LiveClient ann(m_server.get(), QStringLiteral("ann@example.com"));
        ann.channel.stop();
        ann.client.api().setBaseUrl(proxy.baseUrl());
        ann.channel.start();
        const std::optional<Board> board = shareBoard(ann, ben);
        QVERIFY(board);

        proxy.arm();
        const Item item = ben.client.newItem(*ben.client.workspace().findBoard(board->id), QStringLiteral("cut"));
        QCoro::waitFor(ben.client.workspace().addItem(item, *ben.client.workspace().findBoard(board->id)));
        QTRY_VERIFY_WITH_TIMEOUT(ann.shown(board->id, item.id), arrivalTimeoutMs);
        QCOMPARE(proxy.cuts(), 1);
        QTRY_VERIFY(ann.channel.isConnected());
    }

    void aRevokedSessionSignsOutKeepingUnsentChanges()
    {
        LiveClient ann(m_server.get(), QStringLiteral("ann@example.com"));
        LiveClient ben(m_server.get(), QStringLiteral("ben@example.com"));
        const std::optional<Board> board = shareBoard(ann, ben);
        QVERIFY(board);
        // A change the service refuses for now stays pending.
        QVERIFY(m_server->failNext(1, 503, QStringLiteral("/api/boards/%1/items").arg(uuidText(board->id))));
        const Item unsent = ann.client.newItem(*ann.client.workspace().findBoard(board->id), QStringLiteral("not sent yet"));
        QCoro::waitFor(ann.client.workspace().addItem(unsent, *ann.client.workspace().findBoard(board->id)));
        QVERIFY(ann.stored(unsent.id) && !ann.stored(unsent.id)->didSync());
        ann.client.toasts().setToast(std::nullopt);

        const QByteArray logout = QJsonDocument(QJsonObject {{"refreshToken", ann.client.api().refreshToken()}}).toJson();
        QCOMPARE(m_server->request("POST", QStringLiteral("/auth/logout"), logout).status / 100, 2);
        QTRY_VERIFY_WITH_TIMEOUT(!ann.auth.isLoggedIn(), arrivalTimeoutMs);
        QTRY_VERIFY(ann.client.lastToast());
        QVERIFY2(ann.client.lastToast()->message.startsWith(
                     QStringLiteral("Signed out: this sign-in was ended on the service. Unsent changes were saved to ")),
            qPrintable(ann.client.lastToast()->message));
        QCOMPARE(ann.channel.state(), ChangeChannel::State::stopped);
        QVERIFY(!ann.stored(unsent.id));
        const QStringList files = QDir(ann.saved.path()).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        QFile file(ann.saved.filePath(files.constFirst()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("not sent yet"));
        // Ben's session goes on.
        QVERIFY(ben.channel.isConnected() && ben.auth.isLoggedIn());
    }
};

QTEST_MAIN(LiveUpdatesTest)
#include "LiveUpdatesTest.moc"
