#include "SettingsTestSupport.h"
#include "WorkspaceFixture.h"
#include "support/DevServerTestCase.h"

#include "domain/Ids.h"
#include "store/LocalDataService.h"
#include "workspace/settings/BoardAdvancedTab.h"
#include "workspace/settings/BoardGeneralTab.h"
#include "workspace/settings/BoardNameField.h"
#include "workspace/settings/BoardSettingsWindow.h"
#include "workspace/settings/BoardUsersTab.h"
#include "workspace/settings/DangerConfirmationDialog.h"
#include "workspace/settings/InvitationPanel.h"
#include "workspace/settings/MemberRow.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>

namespace {
BoardSettingsContext contextFor(WorkspaceClient& client)
{
    const std::optional<QUuid> userId = client.account().isValid() ? std::optional(client.userId()) : std::nullopt;
    return {client.workspace(), client.toasts(), [userId] { return userId; }};
}

// Owned by the test: the window deletes itself on close, so a QPointer tells whether it closed.
QPointer<BoardSettingsWindow> openWindow(WorkspaceClient& client, const Board& board,
    std::optional<QString> value = std::nullopt)
{
    auto* window = new BoardSettingsWindow(contextFor(client), board, std::move(value));
    window->show();
    // Owner-only controls of a cloud board wait for the members, which the window loads on opening.
    if (!QTest::qWaitFor([&] { return !window->usersTab()->isLoadingUsers(); }, 5000))
        qWarning("members did not load");
    return window;
}
}

class BoardSettingsWindowTest : public DevServerTestCase
{
    Q_OBJECT

private:
private Q_SLOTS:
    void initTestCase()
    {
        applyDarkTestPalette();
        DevServerTestCase::initTestCase();
    }

    void opensOnTheTabItsValueNames_data()
    {
        QTest::addColumn<std::optional<QString>>("value");
        QTest::addColumn<BoardSettingsTab>("tab");
        QTest::newRow("users") << std::optional<QString>(QStringLiteral("users")) << BoardSettingsTab::users;
        QTest::newRow("general") << std::optional<QString>(QStringLiteral("general")) << BoardSettingsTab::general;
        QTest::newRow("advanced") << std::optional<QString>(QStringLiteral("advanced")) << BoardSettingsTab::general;
        QTest::newRow("none") << std::optional<QString>() << BoardSettingsTab::general;
    }

    void opensOnTheTabItsValueNames()
    {
        QFETCH(std::optional<QString>, value);
        QFETCH(BoardSettingsTab, tab);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Plans"), StorageOption::local);
        QPointer<BoardSettingsWindow> window = openWindow(client, board, value);
        QCOMPARE(window->selectedTab(), tab);
        QCOMPARE(window->windowTitle(), QStringLiteral("Board Settings"));
        QCOMPARE(window->objectName(), QStringLiteral("board-settings"));
        QCOMPARE(window->size(), QSize(560, 520));
        delete window;
    }

    // Who may do what: anyone owns a local board; on a cloud board only the member with the owner role.
    void ownerRules_data()
    {
        QTest::addColumn<bool>("cloud");
        QTest::addColumn<bool>("asMember");
        QTest::addColumn<QString>("usersFace");
        QTest::addColumn<bool>("invitations");
        QTest::addColumn<bool>("ownerNotice");
        QTest::addColumn<bool>("renameOffered");
        QTest::newRow("local board") << false << false << "local" << false << false << true;
        QTest::newRow("cloud owner") << true << false << "members" << true << false << true;
        QTest::newRow("cloud member") << true << true << "members" << false << true << false;
    }

    void ownerRules()
    {
        QFETCH(bool, cloud);
        QFETCH(bool, asMember);
        QFETCH(QString, usersFace);
        QFETCH(bool, invitations);
        QFETCH(bool, ownerNotice);
        QFETCH(bool, renameOffered);

        WorkspaceClient owner(m_server.get(), QStringLiteral("owner@example.com"));
        WorkspaceClient member(m_server.get(), QStringLiteral("member@example.com"));
        Board board = owner.createBoard(QStringLiteral("Roadmap"), cloud ? StorageOption::cloud : StorageOption::local);
        WorkspaceClient* viewer = &owner;
        if (asMember) {
            const auto shared = shareBoard(owner, member, board);
            QVERIFY(shared);
            board = *shared;
            viewer = &member;
        }

        QPointer<BoardSettingsWindow> window = openWindow(*viewer, board);
        BoardUsersTab* users = window->usersTab();
        QTRY_VERIFY(!users->isLoadingUsers());
        QCOMPARE(users->face(), usersFace);
        if (!cloud)
            QCOMPARE(users->localNotice()->text(), QStringLiteral("User management is only available for cloud boards."));
        QCOMPARE(users->invitationPanel()->isVisibleTo(users), invitations);
        QCOMPARE(window->generalTab()->renameButton()->isVisibleTo(window), renameOffered);
        QCOMPARE(window->generalTab()->storageLabel()->text(), cloud ? QStringLiteral("In Cloud") : QStringLiteral("On This Computer"));

        window->setSelectedTab(BoardSettingsTab::advanced);
        QCOMPARE(window->advancedTab()->showsOwnerNotice(), ownerNotice);
        QCOMPARE(window->attemptedOwnerAccess(), ownerNotice);
        if (ownerNotice)
            QCOMPARE(window->advancedTab()->ownerNotice()->text(),
                QStringLiteral("Advanced settings are only available to board owners."));

        if (cloud) {
            // Members came from the service: both accounts, each with its role.
            QTRY_COMPARE(users->memberRows().size(), asMember ? 2 : 1);
            QStringList roles;
            for (MemberRow* row : users->memberRows())
                roles << row->roleLabel()->text();
            roles.sort();
            QCOMPARE(roles, asMember ? QStringList({QStringLiteral("Member"), QStringLiteral("Owner")})
                                     : QStringList({QStringLiteral("Owner")}));
            // Only the owner gets row actions, and never on the owner's own row.
            for (MemberRow* row : users->memberRows())
                QVERIFY(!row->removeButton());
        }
        grabToTmp(window, QStringLiteral("settings-%1").arg(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-')));
        delete window;
    }

    void lastBoardCannotBeDeleted_data()
    {
        QTest::addColumn<int>("boards");
        QTest::newRow("one board") << 1;
        QTest::newRow("two boards") << 2;
    }

    void lastBoardCannotBeDeleted()
    {
        QFETCH(int, boards);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Only"), StorageOption::local);
        if (boards == 2)
            client.createBoard(QStringLiteral("Second"), StorageOption::local);
        QPointer<BoardSettingsWindow> window = openWindow(client, board);
        window->setSelectedTab(BoardSettingsTab::advanced);
        BoardAdvancedTab* advanced = window->advancedTab();
        QCOMPARE(advanced->deleteButton()->isEnabled(), boards > 1);
        QCOMPARE(advanced->lastBoardNote()->isVisibleTo(advanced), boards == 1);
        // A disabled button cannot be worked around by clicking: no confirmation opens.
        QTest::mouseClick(advanced->deleteButton(), Qt::LeftButton);
        QCOMPARE(openConfirmation(advanced) != nullptr, boards > 1);
        if (boards == 1)
            grabToTmp(window, QStringLiteral("settings-advanced-last-board"));
        delete window;
    }

    void archivedBoardIsReadOnly_data()
    {
        QTest::addColumn<bool>("cloud");
        QTest::newRow("local") << false;
        QTest::newRow("cloud") << true;
    }

    void archivedBoardIsReadOnly()
    {
        QFETCH(bool, cloud);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        client.createBoard(QStringLiteral("Keep"), StorageOption::local);
        Board board = client.createBoard(QStringLiteral("Old"), cloud ? StorageOption::cloud : StorageOption::local);
        QCoro::waitFor(client.workspace().setBoardArchived(board));
        board = *client.workspace().findBoard(board.id);
        QVERIFY(!board.isActive);

        QPointer<BoardSettingsWindow> window = openWindow(client, board, QStringLiteral("users"));
        QTRY_VERIFY(!window->usersTab()->isLoadingUsers());
        QVERIFY(window->generalTab()->archivedLabel()->isVisibleTo(window->generalTab()));
        QVERIFY(!window->generalTab()->renameButton()->isVisibleTo(window->generalTab()));
        QCOMPARE(window->usersTab()->face(), cloud ? QStringLiteral("archived") : QStringLiteral("local"));
        window->usersTab()->invitationPanel()->generate();
        QVERIFY(!window->usersTab()->invitationPanel()->isGenerating());

        window->setSelectedTab(BoardSettingsTab::advanced);
        BoardAdvancedTab* advanced = window->advancedTab();
        QVERIFY(!advanced->archiveButton()->isEnabled());
        QVERIFY(advanced->alreadyArchivedNote()->isVisibleTo(advanced));
        QCOMPARE(advanced->archiveText()->text(), QStringLiteral("This board is hidden in the Archived boards filter."));
        if (cloud)
            grabToTmp(window, QStringLiteral("settings-advanced-archived"));
        delete window;
    }

    void invitationCopyAndRegenerate()
    {
        WorkspaceClient owner(m_server.get(), QStringLiteral("owner@example.com"));
        WorkspaceClient guest(m_server.get(), QStringLiteral("guest@example.com"));
        const Board board = owner.createBoard(QStringLiteral("Team"), StorageOption::cloud);
        QPointer<BoardSettingsWindow> window = openWindow(owner, board, QStringLiteral("users"));
        InvitationPanel* panel = window->usersTab()->invitationPanel();
        QTRY_VERIFY(!window->usersTab()->isLoadingUsers());
        QVERIFY(!panel->copyButton()->isVisibleTo(panel));

        QTest::mouseClick(panel->generateButton(), Qt::LeftButton);
        QVERIFY(panel->isGenerating());
        QVERIFY(!panel->generateButton()->isEnabled());
        QTRY_VERIFY(panel->invitationCode().has_value());
        const QString first = *panel->invitationCode();
        QCOMPARE(panel->codeLabel()->text(), first);
        QVERIFY(panel->copyButton()->isVisibleTo(panel));
        grabToTmp(window, QStringLiteral("settings-users-invitation"));

        QTest::mouseClick(panel->copyButton(), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), first);

        QTest::mouseClick(panel->regenerateButton(), Qt::LeftButton);
        QTRY_VERIFY(!panel->isGenerating());
        const QString second = panel->invitationCode().value_or(QString());
        QVERIFY(!second.isEmpty());
        QVERIFY(second != first);

        // The copied code is a real one: another account joins with it.
        QTest::mouseClick(panel->copyButton(), Qt::LeftButton);
        const auto joined = QCoro::waitFor(guest.workspace().joinBoard(QGuiApplication::clipboard()->text()));
        QVERIFY2(joined.has_value(), qPrintable(joined ? QString() : joined.error().description()));
        QVERIFY(guest.workspace().findBoard(board.id));
        delete window;
    }

    void invitationFailureShowsTheError()
    {
        WorkspaceClient owner(m_server.get(), QStringLiteral("owner@example.com"));
        const Board board = owner.createBoard(QStringLiteral("Team"), StorageOption::cloud);
        QPointer<BoardSettingsWindow> window = openWindow(owner, board, QStringLiteral("users"));
        QTRY_VERIFY(!window->usersTab()->isLoadingUsers());
        QVERIFY(m_server->failNext(1, 500, QStringLiteral("/api/boards/")));
        InvitationPanel* panel = window->usersTab()->invitationPanel();
        panel->generate();
        QTRY_VERIFY(!panel->isGenerating());
        QVERIFY(!panel->invitationCode());
        const auto toast = owner.lastToast();
        QVERIFY(toast);
        QCOMPARE(toast->type, ToastType::error);
        QVERIFY(!toast->message.isEmpty());
        QVERIFY(panel->generateButton()->isEnabled());
        delete window;
    }

    // The name is cut at the limit while typing; the limit counts what the user sees as characters.
    void renameKeepsTheLimit_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("21 letters") << QStringLiteral("abcdefghijklmnopqrstu") << QStringLiteral("abcdefghijklmnopqrst");
        QTest::newRow("exactly 20") << QStringLiteral("abcdefghijklmnopqrst") << QStringLiteral("abcdefghijklmnopqrst");
        QTest::newRow("emoji counts once") << QStringLiteral("🚀abcdefghijklmnopqrsXYZ")
                                           << QStringLiteral("🚀abcdefghijklmnopqrs");
        QTest::newRow("short") << QStringLiteral("Plans 2") << QStringLiteral("Plans 2");
    }

    void renameKeepsTheLimit()
    {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Plans"), StorageOption::cloud);
        QPointer<BoardSettingsWindow> window = openWindow(client, board);
        BoardGeneralTab* general = window->generalTab();
        QTest::mouseClick(general->renameButton(), Qt::LeftButton);
        QVERIFY(general->isEditingName());
        general->nameField()->clear();
        typeText(general->nameField(), typed);
        QCOMPARE(general->nameField()->text(), saved);
        QCOMPARE(boardNameLength(general->nameField()->text()), std::min(boardNameLength(typed), 20));
        QTest::mouseClick(general->saveButton(), Qt::LeftButton);
        QVERIFY(!general->isEditingName());
        QTRY_COMPARE(client.workspace().findBoard(board.id)->name, saved);
        QTRY_COMPARE(general->nameLabel()->text(), saved);
        const auto stored = LocalDataService::fetchLocalBoards(client.store());
        QVERIFY(stored);
        QVERIFY(std::any_of(stored->cbegin(), stored->cend(),
            [&](const Board& each) { return each.id == board.id && each.name == saved; }));
        // The service got the new name too.
        QTRY_COMPARE(m_server->request("GET", QStringLiteral("/api/boards/") + uuidText(board.id), std::nullopt,
                                  client.account().accessToken)
                         .object()
                         .value(QStringLiteral("board"))
                         .toObject()
                         .value(QStringLiteral("name"))
                         .toString(),
            saved);
        delete window;
    }

    void quickCaptureSwitchMovesBetweenBoards()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board first = client.createBoard(QStringLiteral("First"), StorageOption::local);
        const Board second = client.createBoard(QStringLiteral("Second"), StorageOption::local);
        QPointer<BoardSettingsWindow> firstWindow = openWindow(client, first);
        QPointer<BoardSettingsWindow> secondWindow = openWindow(client, second);
        QCheckBox* firstSwitch = firstWindow->generalTab()->quickCaptureSwitch();
        QCheckBox* secondSwitch = secondWindow->generalTab()->quickCaptureSwitch();
        QVERIFY(!firstSwitch->isChecked());

        const QPoint indicator(8, firstSwitch->height() / 2);
        QTest::mouseClick(firstSwitch, Qt::LeftButton, Qt::NoModifier, indicator);
        QCOMPARE(client.workspace().quickCaptureBoardId(), std::optional(first.id));
        QTest::mouseClick(secondSwitch, Qt::LeftButton, Qt::NoModifier, indicator);
        QCOMPARE(client.workspace().quickCaptureBoardId(), std::optional(second.id));
        // Only one board holds the role: the first window's switch follows at once.
        QVERIFY(!firstSwitch->isChecked());
        QVERIFY(secondSwitch->isChecked());
        QTest::mouseClick(secondSwitch, Qt::LeftButton, Qt::NoModifier, indicator);
        QCOMPARE(client.workspace().quickCaptureBoardId(), std::nullopt);
        delete firstWindow;
        delete secondWindow;
    }

    void confirmedArchiveAndDeleteCloseTheWindow_data()
    {
        QTest::addColumn<bool>("deleting");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("archive confirmed") << false << true;
        QTest::newRow("archive cancelled") << false << false;
        QTest::newRow("delete confirmed") << true << true;
        QTest::newRow("delete cancelled") << true << false;
    }

    void confirmedArchiveAndDeleteCloseTheWindow()
    {
        QFETCH(bool, deleting);
        QFETCH(bool, confirm);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        client.createBoard(QStringLiteral("Keep"), StorageOption::local);
        const Board board = client.createBoard(QStringLiteral("Target"), StorageOption::cloud);
        QPointer<BoardSettingsWindow> window = openWindow(client, board);
        window->setSelectedTab(BoardSettingsTab::advanced);
        BoardAdvancedTab* advanced = window->advancedTab();
        QTest::mouseClick(deleting ? advanced->deleteButton() : advanced->archiveButton(), Qt::LeftButton);
        DangerConfirmationDialog* dialog = openConfirmation(advanced);
        QVERIFY(dialog);
        QCOMPARE(dialog->title(), deleting ? QStringLiteral("Delete board?") : QStringLiteral("Archive board?"));
        QCOMPARE(dialog->primaryButton()->text(), deleting ? QStringLiteral("Delete Board") : QStringLiteral("Archive Board"));
        QCOMPARE(dialog->message(),
            deleting ? QStringLiteral("All items on this board will be permanently removed for everyone.")
                     : QStringLiteral("The board will move to the Archived list. You can restore it from there later."));
        grabToTmp(dialog, deleting ? QStringLiteral("dialog-delete") : QStringLiteral("dialog-archive"));
        QTest::mouseClick(confirm ? dialog->primaryButton() : dialog->cancelButton(), Qt::LeftButton);

        if (!confirm) {
            QVERIFY(window);
            QVERIFY(window->isVisible());
            QVERIFY(client.workspace().findBoard(board.id)->isActive);
            delete window;
            return;
        }
        QTRY_VERIFY(!window);
        if (deleting) {
            QTRY_VERIFY(!client.workspace().findBoard(board.id));
            QCOMPARE(client.toastText(), QStringLiteral("Deleted board \"Target\""));
        } else {
            QTRY_VERIFY(!client.workspace().findBoard(board.id)->isActive);
            QCOMPARE(client.toastText(), QStringLiteral("Archived board \"Target\""));
        }
    }

    void ownerRemovesAndPromotesMembers()
    {
        WorkspaceClient owner(m_server.get(), QStringLiteral("owner@example.com"));
        WorkspaceClient member(m_server.get(), QStringLiteral("member@example.com"));
        WorkspaceClient second(m_server.get(), QStringLiteral("second@example.com"));
        const Board board = owner.createBoard(QStringLiteral("Team"), StorageOption::cloud);
        QVERIFY(shareBoard(owner, member, board));
        QVERIFY(shareBoard(owner, second, board));
        QCoro::waitFor(owner.workspace().selectBoard(board.id));

        QPointer<BoardSettingsWindow> window = openWindow(owner, board, QStringLiteral("users"));
        BoardUsersTab* users = window->usersTab();
        QTRY_COMPARE(users->memberRows().size(), 3);
        MemberRow* memberRow = nullptr;
        for (MemberRow* row : users->memberRows()) {
            // The owner's own row offers nothing; the others offer both actions.
            QCOMPARE(row->removeButton() != nullptr, row->user().userId != owner.userId());
            if (row->user().userId == member.userId())
                memberRow = row;
        }
        QVERIFY(memberRow);
        grabToTmp(window, QStringLiteral("settings-users-members"));

        QTest::mouseClick(memberRow->removeButton(), Qt::LeftButton);
        DangerConfirmationDialog* dialog = openConfirmation(users);
        QVERIFY(dialog);
        QCOMPARE(dialog->title(), QStringLiteral("Remove member?"));
        QCOMPARE(dialog->message(), QStringLiteral("member will immediately lose access to this board."));
        QTest::mouseClick(dialog->primaryButton(), Qt::LeftButton);
        QVERIFY(users->removingUserId() == member.userId());
        QTRY_VERIFY(!users->removingUserId());
        QCOMPARE(owner.toastText(), QStringLiteral("Removed member@example.com"));
        QTRY_COMPARE(users->memberRows().size(), 2);

        MemberRow* secondRow = nullptr;
        for (MemberRow* row : users->memberRows()) {
            if (row->user().userId == second.userId())
                secondRow = row;
        }
        QVERIFY(secondRow);
        QTest::mouseClick(secondRow->transferButton(), Qt::LeftButton);
        dialog = openConfirmation(users);
        QVERIFY(dialog);
        QCOMPARE(dialog->message(), QStringLiteral("second will be the new Owner of this board"));
        QCOMPARE(dialog->primaryButton()->text(), QStringLiteral("Change ownership"));
        QTest::mouseClick(dialog->primaryButton(), Qt::LeftButton);
        // Once the roles are read back the former owner loses the owner-only controls.
        QTRY_VERIFY(!window->currentUserIsOwner());
        QTRY_VERIFY(!users->invitationPanel()->isVisibleTo(users));
        window->setSelectedTab(BoardSettingsTab::advanced);
        QVERIFY(window->advancedTab()->showsOwnerNotice());
        delete window;
    }
};

QTEST_MAIN(BoardSettingsWindowTest)
#include "BoardSettingsWindowTest.moc"
