// The application, driven line by line for the crash soak: the real composition root (MyApp over the
// store in the user's data folder, the shared transport over the desktop keyring) with its window
// hidden, and item edits made through the workspace the way the views make them. Each command on
// standard input is answered on standard output with one "ack ..." line once the operation has
// completed (its change is in the store), or "nack <reason>". The product's diagnostic log goes to
// standard error.
//
//   signin EMAIL                  browser sign-in against the service at PLENKO_API_URL
//   board local|cloud NAME        -> ack board ID KIND NAME
//   add BOARD ITEM STATUS TEXT    edit ITEM TEXT    status ITEM STATUS    archive ITEM 0|1
//   delete ITEM                   sync (every cloud board)    tokens    quit
//   merge SOURCE DESTINATION      moveboard ITEM BOARD
//   async sync BOARD              starts the board's sync and answers at once, so the commands
//                                 that follow overlap it; "synced BOARD 0|1" follows when it ends
//   async edit ITEM TEXT          the same for an edit; "edited ITEM" follows when it ends
//   signout                       "Log Out", then "Sign out anyway": unsent changes are written to a
//                                 file first -> ack signout FILE|-
#include "app/MyApp.h"
#include "app/SessionControls.h"
#include "domain/Ids.h"
#include "domain/Log.h"
#include "net/NetworkService.h"
#include "session/AccountSignOut.h"
#include "session/AuthState.h"
#include "workspace/BoardViewModel.h"

#include <QApplication>
#include <QCoro/QCoroNetworkReply>
#include <QCoro/QCoroTask>
#include <QCoro/QCoroTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QQueue>
#include <QStandardPaths>
#include <QSocketNotifier>
#include <QUrlQuery>
#include <cstdio>
#include <unistd.h>

namespace {
void print(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::optional<Item> findItem(const BoardViewModel& workspace, const QUuid& id)
{
    for (const Board& board : workspace.boards()) {
        for (const Item& item : board.items) {
            if (item.id == id && !item.isDeleted())
                return item;
        }
    }
    return std::nullopt;
}

// One GET as a browser makes it, redirects not followed.
QCoro::Task<std::unique_ptr<QNetworkReply>> browse(QNetworkAccessManager& browser, QUrl url)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    std::unique_ptr<QNetworkReply> reply(browser.get(request));
    co_await qCoro(reply.get()).waitForFinished(std::chrono::seconds(15));
    co_return reply;
}

class Driver
{
public:
    explicit Driver(MyApp& app)
        : m_app(app)
        , m_workspace(app.boardViewModel())
        , m_input(STDIN_FILENO, QSocketNotifier::Read)
    {
        QObject::connect(&m_input, &QSocketNotifier::activated, &m_input, [this] { readInput(); });
    }

    QCoro::Task<void> start()
    {
        // What the window does when it first shows: the board list from the service when signed in,
        // then the workspace from the store.
        AuthState& auth = m_app.auth();
        if (auth.isLoggedIn()) {
            co_await waitForCurrentUser();
            co_await m_workspace.refreshBoardsFromServer(false);
        }
        m_workspace.loadBoards(auth.isLoggedIn());
        print(QStringLiteral("ready signedIn=%1 boards=%2")
                  .arg(auth.isLoggedIn() ? 1 : 0)
                  .arg(m_workspace.boards().size()));
        m_ready = true;
        (void)pump();
    }

private:
    void readInput()
    {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            // The test went away: leave as a user would.
            m_input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        m_buffer.append(buffer, got);
        qsizetype newline;
        while ((newline = m_buffer.indexOf('\n')) >= 0) {
            m_commands.enqueue(QString::fromUtf8(m_buffer.left(newline)));
            m_buffer.remove(0, newline + 1);
        }
        (void)pump();
    }

    // One command at a time, each to its end, in the order they came.
    QCoro::Task<void> pump()
    {
        if (m_busy || !m_ready)
            co_return;
        m_busy = true;
        while (!m_commands.isEmpty()) {
            const QString command = m_commands.dequeue();
            print(co_await execute(command));
        }
        m_busy = false;
    }

    QCoro::Task<void> waitForCurrentUser()
    {
        for (int waited = 0; !m_app.auth().currentUser() && waited < 100; ++waited)
            co_await QCoro::sleepFor(std::chrono::milliseconds(50));
    }

    QCoro::Task<QString> execute(QString command)
    {
        const QStringList words = command.split(QLatin1Char(' '));
        const QString verb = words.value(0);
        auto rest = [&](int from) { return words.mid(from).join(QLatin1Char(' ')); };

        if (verb == QLatin1String("quit")) {
            QCoreApplication::quit();
            co_return QStringLiteral("ack quit");
        }
        if (verb == QLatin1String("signin"))
            co_return co_await signIn(words.value(1));
        if (verb == QLatin1String("signout")) {
            const AccountSignOut::Outcome outcome = co_await AccountSignOut::run(&m_app.auth(), &m_workspace,
                &m_app.session().profile(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
            if (!outcome.signedOut)
                co_return QStringLiteral("nack signout ") + outcome.error;
            co_return QStringLiteral("ack signout ") + outcome.savedTo.value_or(QStringLiteral("-"));
        }
        if (verb == QLatin1String("tokens")) {
            const NetworkService& api = NetworkService::shared();
            co_return QStringLiteral("ack tokens %1 %2").arg(api.accessToken(), api.refreshToken());
        }
        if (verb == QLatin1String("board")) {
            const bool cloud = words.value(1) == QLatin1String("cloud");
            const QString name = rest(2);
            co_await m_workspace.createBoard(name, cloud ? StorageOption::cloud : StorageOption::local);
            for (const Board& board : m_workspace.boards()) {
                if (board.name == name)
                    co_return QStringLiteral("ack board %1 %2 %3")
                        .arg(uuidText(board.id), words.value(1), name);
            }
            co_return QStringLiteral("nack board not created");
        }
        if (verb == QLatin1String("sync")) {
            // Ids first: a sync replaces the workspace's board list.
            QList<QUuid> cloudBoards;
            for (const Board& board : m_workspace.boards()) {
                if (board.syncWithServer)
                    cloudBoards.append(board.id);
            }
            int failed = 0;
            int synced = 0;
            // As the user's Refresh does: a quiet sync the change channel started meanwhile is waited for.
            for (const QUuid& id : std::as_const(cloudBoards)) {
                const std::optional<Board> board = m_workspace.findBoard(id);
                if (board && co_await m_workspace.syncBoard(*board, false, true))
                    ++synced;
                else
                    ++failed;
            }
            co_return QStringLiteral("ack sync %1 %2").arg(synced).arg(failed);
        }
        if (verb == QLatin1String("add")) {
            const std::optional<Board> board = m_workspace.findBoard(QUuid::fromString(words.value(1)));
            const std::optional<ItemStatus> status = itemStatusFromText(words.value(3));
            if (!board)
                co_return QStringLiteral("nack missing board ") + words.value(1);
            if (!status)
                co_return QStringLiteral("nack bad status ") + words.value(3);
            Item item;
            item.id = QUuid::fromString(words.value(2));
            item.content = rest(4);
            item.status = *status;
            for (const Item& existing : board->items)
                item.order = std::max(item.order, existing.order);
            item.order += 1;
            item.boardId = board->id;
            if (m_app.auth().currentUser())
                item.createdBy = m_app.auth().currentUser()->id;
            item.createdAt = QDateTime::currentDateTimeUtc();
            item.updatedAt = item.createdAt;
            co_await m_workspace.addItem(item, *board);
            co_return QStringLiteral("ack ") + command;
        }

        if (verb == QLatin1String("async") && words.value(1) == QLatin1String("sync")) {
            const std::optional<Board> board = m_workspace.findBoard(QUuid::fromString(words.value(2)));
            if (!board)
                co_return QStringLiteral("nack missing board ") + words.value(2);
            (void)syncInBackground(*board);
            co_return QStringLiteral("ack ") + command;
        }

        if (verb == QLatin1String("async") && words.value(1) == QLatin1String("edit")) {
            const std::optional<Item> item = findItem(m_workspace, QUuid::fromString(words.value(2)));
            if (!item)
                co_return QStringLiteral("nack missing item ") + words.value(2);
            Item edited = *item;
            edited.content = rest(3);
            (void)editInBackground(edited);
            co_return QStringLiteral("ack ") + command;
        }

        const std::optional<Item> item = findItem(m_workspace, QUuid::fromString(words.value(1)));
        if (!item)
            co_return QStringLiteral("nack missing item ") + words.value(1);
        if (verb == QLatin1String("edit")) {
            Item edited = *item;
            edited.content = rest(2);
            co_await m_workspace.updateItem(edited);
            co_return QStringLiteral("ack ") + command;
        }
        if (verb == QLatin1String("status")) {
            const std::optional<ItemStatus> status = itemStatusFromText(words.value(2));
            if (!status)
                co_return QStringLiteral("nack bad status");
            const MoveOutcome outcome = co_await m_workspace.moveItem(*item, *status);
            co_return QStringLiteral("ack ") + command
                + (outcome.failed ? QStringLiteral(" refused") : QString());
        }
        if (verb == QLatin1String("archive")) {
            co_await m_workspace.setItemArchived(*item, words.value(2) == QLatin1String("1"));
            co_return QStringLiteral("ack ") + command;
        }
        if (verb == QLatin1String("delete")) {
            co_await m_workspace.deleteItem(*item);
            co_return QStringLiteral("ack ") + command;
        }
        if (verb == QLatin1String("merge")) {
            const std::optional<Item> destination = findItem(m_workspace, QUuid::fromString(words.value(2)));
            if (!destination)
                co_return QStringLiteral("nack missing item ") + words.value(2);
            co_await m_workspace.mergeItems(*item, *destination);
            co_return QStringLiteral("ack ") + command;
        }
        if (verb == QLatin1String("moveboard")) {
            const std::optional<Board> target = m_workspace.findBoard(QUuid::fromString(words.value(2)));
            if (!target)
                co_return QStringLiteral("nack missing board ") + words.value(2);
            const MoveOutcome outcome = co_await m_workspace.moveItemToBoard(*item, *target);
            co_return QStringLiteral("ack ") + command
                + (outcome.failed ? QStringLiteral(" refused") : QString());
        }
        co_return QStringLiteral("nack unknown command ") + verb;
    }

    QCoro::Task<void> syncInBackground(Board board)
    {
        const bool synced = co_await m_workspace.syncBoard(board, false);
        print(QStringLiteral("synced %1 %2").arg(uuidText(board.id)).arg(synced ? 1 : 0));
    }

    QCoro::Task<void> editInBackground(Item item)
    {
        co_await m_workspace.updateItem(item);
        print(QStringLiteral("edited %1").arg(uuidText(item.id)));
    }

    // The browser's part of the sign-in (start, choose the account, follow the hand-off), then the
    // application's own completion with the one-time token, as a plenko:// callback would bring it.
    QCoro::Task<QString> signIn(QString email)
    {
        const QString base = NetworkService::configuredBaseUrl();
        const QString nonce = AuthState::makeDeviceNonce();
        QNetworkAccessManager browser;
        QUrl start(base + QStringLiteral("/auth/google/start"));
        start.setQuery(QUrlQuery {{QStringLiteral("deviceNonce"), nonce}});
        const auto started = co_await browse(browser, start);
        if (started->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
            co_return QStringLiteral("nack sign-in start failed");
        QUrl complete(base + QStringLiteral("/auth/google/complete"));
        complete.setQuery(QUrlQuery {{QStringLiteral("deviceNonce"), nonce}, {QStringLiteral("email"), email},
            {QStringLiteral("displayName"), email.section(QLatin1Char('@'), 0, 0)}});
        const auto chosen = co_await browse(browser, complete);
        const QUrl callback(QString::fromUtf8(chosen->rawHeader("Location")));
        const QString ott = QUrlQuery(callback).queryItemValue(QStringLiteral("ott"), QUrl::FullyDecoded);
        if (ott.isEmpty())
            co_return QStringLiteral("nack no one-time token");

        co_await m_app.auth().completeSignIn(nonce, ott);
        if (!m_app.auth().isLoggedIn())
            co_return QStringLiteral("nack sign-in not completed");
        co_await waitForCurrentUser();
        co_await m_workspace.refreshBoardsFromServer(false);
        m_workspace.loadBoards(true);
        co_return QStringLiteral("ack signin ")
            + (m_app.auth().currentUser() ? uuidText(m_app.auth().currentUser()->id) : QString());
    }

    MyApp& m_app;
    BoardViewModel& m_workspace;
    QSocketNotifier m_input;
    QByteArray m_buffer;
    QQueue<QString> m_commands;
    bool m_ready = false;
    bool m_busy = false;
};
}

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // The same names as the application, so every folder and the keyring entries are the real ones.
    QApplication::setOrganizationName(QStringLiteral("net.plenko"));
    QApplication::setApplicationName(QStringLiteral("Plenko"));
    QApplication::setDesktopFileName(QStringLiteral("net.plenko.Plenko"));
    setLogSink([](const QString& line) {
        std::fputs(line.toUtf8().constData(), stderr);
        std::fputc('\n', stderr);
    });

    auto app = MyApp::create();
    if (!app) {
        print(QStringLiteral("fatal ") + app.error().message);
        return 2;
    }
    Driver driver(**app);
    (void)driver.start();
    const int status = QApplication::exec();
    app->reset();
    return status;
}
