#include "SettingsTestSupport.h"

#include "richtext/EmojiSelectionButton.h"
#include "workspace/settings/AssigneeSelectionMenu.h"
#include "workspace/settings/BoardNameField.h"
#include "workspace/settings/DangerConfirmationDialog.h"
#include "workspace/settings/JoinBoardView.h"
#include "workspace/settings/NewBoardView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>

namespace {
BoardUser member(const QString& email, const std::optional<QString>& displayName = std::nullopt)
{
    BoardUser user;
    user.userId = QUuid::createUuid();
    user.email = email;
    user.displayName = displayName;
    return user;
}
}

class SettingsDialogsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        applyDarkTestPalette();
    }

    void newBoardStorageFollowsSignIn_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<bool>("chooseCloud");
        QTest::addColumn<bool>("savedCloud");
        QTest::newRow("signed in, cloud") << true << true << true;
        QTest::newRow("signed in, local") << true << false << false;
        QTest::newRow("signed out") << false << true << false;
    }

    void newBoardStorageFollowsSignIn()
    {
        QFETCH(bool, signedIn);
        QFETCH(bool, chooseCloud);
        QFETCH(bool, savedCloud);
        std::optional<std::pair<QString, bool>> saved;
        QPointer<NewBoardView> dialog = new NewBoardView(signedIn, [&](const QString& name, bool cloud) {
            saved = std::pair(name, cloud);
        });
        dialog->show();
        QCOMPARE(dialog->cloudChoice()->isEnabled(), signedIn);
        QCOMPARE(dialog->signInNote()->isVisibleTo(dialog), !signedIn);
        QCOMPARE(dialog->signInNote()->text(), QStringLiteral("Sign in to enable cloud sync"));
        QCOMPARE(dialog->localChoice()->isChecked(), !signedIn);
        if (!signedIn)
            grabToTmp(dialog, QStringLiteral("dialog-new-board-signed-out"));

        // A click on a disabled choice changes nothing.
        QTest::mouseClick(chooseCloud ? dialog->cloudChoice() : dialog->localChoice(), Qt::LeftButton,
            Qt::NoModifier, QPoint(8, dialog->cloudChoice()->height() / 2));
        QTest::keyClicks(dialog->nameField(), QStringLiteral("Plans"));
        QTest::keyClick(dialog->nameField(), Qt::Key_Return);
        QVERIFY(saved);
        QCOMPARE(saved->first, QStringLiteral("Plans"));
        QCOMPARE(saved->second, savedCloud);
        QTRY_VERIFY(!dialog);
    }

    void newBoardNameLimit_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("21 letters") << QStringLiteral("ABCDEFGHIJKLMNOPQRSTU") << QStringLiteral("ABCDEFGHIJKLMNOPQRST");
        QTest::newRow("20 letters") << QStringLiteral("ABCDEFGHIJKLMNOPQRST") << QStringLiteral("ABCDEFGHIJKLMNOPQRST");
        QTest::newRow("accent of two code points") << QStringLiteral("e\u0301bcdefghijklmnopqrstu")
                                                   << QStringLiteral("e\u0301bcdefghijklmnopqrst");
    }

    void newBoardNameLimit()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QPointer<NewBoardView> dialog = new NewBoardView(true, {});
        dialog->show();
        QCOMPARE(dialog->limitHint()->text(), QStringLiteral("Name can be max 20 characters"));
        typeText(dialog->nameField(), typed);
        QCOMPARE(dialog->nameField()->text(), kept);
        // Pasting past the limit is cut the same way.
        dialog->nameField()->setText(typed + typed);
        QCOMPARE(dialog->nameField()->text(), limitBoardName(typed + typed, 20));
        QCOMPARE(boardNameLength(dialog->nameField()->text()), 20);
        delete dialog;
    }

    void newBoardNeedsAName()
    {
        bool saved = false;
        QPointer<NewBoardView> dialog = new NewBoardView(true, [&](const QString&, bool) { saved = true; });
        dialog->show();
        QVERIFY(!dialog->saveButton()->isEnabled());
        QTest::keyClicks(dialog->nameField(), QStringLiteral("   "));
        QTest::keyClick(dialog->nameField(), Qt::Key_Return);
        QVERIFY(!saved);
        QVERIFY(dialog);
        delete dialog;
    }

    void newBoardPutsTheEmojiInFront()
    {
        std::optional<QString> name;
        QPointer<NewBoardView> dialog = new NewBoardView(false, [&](const QString& saved, bool) { name = saved; });
        dialog->show();
        dialog->emojiButton()->setEmoji(QStringLiteral("🚀"));
        typeText(dialog->nameField(), QStringLiteral("Launch "));
        grabToTmp(dialog, QStringLiteral("dialog-new-board"));
        QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
        QCOMPARE(name, std::optional(QStringLiteral("🚀 Launch")));
    }

    void joinBoardKeys_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("key");
        QTest::addColumn<std::optional<QString>>("joined");
        QTest::newRow("return joins") << QStringLiteral(" AB12CD ") << int(Qt::Key_Return)
                                      << std::optional<QString>(QStringLiteral("AB12CD"));
        QTest::newRow("escape cancels") << QStringLiteral("AB12CD") << int(Qt::Key_Escape) << std::optional<QString>();
        QTest::newRow("empty code does nothing") << QStringLiteral("   ") << int(Qt::Key_Return)
                                                 << std::optional<QString>();
    }

    void joinBoardKeys()
    {
        QFETCH(QString, code);
        QFETCH(int, key);
        QFETCH(std::optional<QString>, joined);
        std::optional<QString> received;
        QPointer<JoinBoardView> dialog = new JoinBoardView([&](const QString& entered) { received = entered; });
        dialog->show();
        QCOMPARE(dialog->joinButton()->toolTip(), QStringLiteral("Join board (Return)"));
        QCOMPARE(dialog->cancelButton()->toolTip(), QStringLiteral("Cancel (Esc)"));
        QTest::keyClicks(dialog->codeField(), code);
        if (code == QLatin1String("AB12CD"))
            grabToTmp(dialog, QStringLiteral("dialog-join-board"));
        QTest::keyClick(dialog->codeField(), Qt::Key(key));
        QCOMPARE(received, joined);
        if (joined || key == Qt::Key_Escape)
            QTRY_VERIFY(!dialog);
        else
            delete dialog;
    }

    void dangerDialogRunsItsActionOnlyOnConfirm_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("confirm") << true;
        QTest::newRow("cancel") << false;
    }

    void dangerDialogRunsItsActionOnlyOnConfirm()
    {
        QFETCH(bool, confirm);
        int runs = 0;
        QPointer<DangerConfirmationDialog> dialog = new DangerConfirmationDialog(
            {QStringLiteral("Remove member?"), QStringLiteral("Ana will immediately lose access to this board."),
                QStringLiteral("Remove Member"), DangerConfirmationDialog::destructiveColor(), [&] { ++runs; }});
        dialog->open();
        QTest::mouseClick(confirm ? dialog->primaryButton() : dialog->cancelButton(), Qt::LeftButton);
        QCOMPARE(runs, confirm ? 1 : 0);
        QTRY_VERIFY(!dialog);
    }

    void assigneeMenu_data()
    {
        QTest::addColumn<bool>("withMembers");
        QTest::addColumn<bool>("unassignedOption");
        QTest::addColumn<bool>("unassignedSelected");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("checkedMember"); // -1: none
        QTest::newRow("members, second selected, me tagged")
            << true << false << false << QStringList({"Ana (You)", "bo@example.com"}) << 1;
        QTest::newRow("unassigned selected")
            << true << true << true << QStringList({"Unassigned", "", "Ana (You)", "bo@example.com"}) << -1;
        QTest::newRow("no members") << false << true << false << QStringList({"Unassigned", "Nobody here yet"}) << -1;
    }

    void assigneeMenu()
    {
        QFETCH(bool, withMembers);
        QFETCH(bool, unassignedOption);
        QFETCH(bool, unassignedSelected);
        QFETCH(QStringList, texts);
        QFETCH(int, checkedMember);
        const BoardUser ana = member(QStringLiteral("ana@example.com"), QStringLiteral("Ana"));
        const BoardUser bo = member(QStringLiteral("bo@example.com"), QStringLiteral(""));
        std::optional<QUuid> chosen;
        bool choseUnassigned = false;
        AssigneeSelectionMenu::Options options;
        if (withMembers)
            options.users = {ana, bo};
        options.selectedUserId = bo.userId;
        options.currentUserId = ana.userId;
        options.showsCurrentUserTag = true;
        options.showsUnassignedOption = unassignedOption;
        options.isUnassignedSelected = unassignedSelected;
        options.onSelect = [&](const BoardUser& user) { chosen = user.userId; };
        options.onSelectUnassigned = [&] { choseUnassigned = true; };
        options.emptyMessage = QStringLiteral("Nobody here yet");
        AssigneeSelectionMenu menu(options);

        QStringList shown;
        for (QAction* action : menu.actions())
            shown << action->text();
        QCOMPARE(shown, texts);
        for (qsizetype index = 0; index < menu.memberActions().size(); ++index)
            QCOMPARE(menu.memberActions().at(index)->isChecked(), index == checkedMember);
        if (unassignedOption) {
            QCOMPARE(menu.unassignedAction()->isChecked(), unassignedSelected);
            QCOMPARE(menu.unassignedAction()->toolTip(), QStringLiteral("Items without an assignee"));
            menu.unassignedAction()->trigger();
            QVERIFY(choseUnassigned);
        }
        if (withMembers) {
            menu.memberActions().first()->trigger();
            QCOMPARE(chosen, std::optional(ana.userId));
        }
    }
};

QTEST_MAIN(SettingsDialogsTest)
#include "SettingsDialogsTest.moc"
