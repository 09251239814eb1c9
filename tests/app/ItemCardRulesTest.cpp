// The pure rules behind the item card and the list: which context-menu entries an item gets, the
// search and assignee filters, member names, and the appearance controller's preference handling.
#include "app/AppearanceController.h"
#include "app/ItemCardMenu.h"
#include "app/ItemFilter.h"
#include "app/MemberNames.h"
#include "symbols/SymbolIcons.h"
#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Declared before the data functions use it, or a release build sees the specialisation too late.
Q_DECLARE_METATYPE(AssigneeFilter)

namespace {
Item makeItem(ItemStatus status, bool archived, const QString& content = QStringLiteral("text"),
    std::optional<QUuid> assignee = std::nullopt)
{
    Item item;
    item.id = QUuid::createUuid();
    item.status = status;
    item.content = content;
    item.assignee = assignee;
    if (archived)
        item.archivedAt = QDateTime::currentDateTimeUtc();
    return item;
}

Board makeBoard(bool active, bool cloud)
{
    Board board;
    board.id = QUuid::createUuid();
    board.isActive = active;
    board.syncWithServer = cloud;
    return board;
}

QStringList titles(const QList<ItemCardMenuEntry>& entries)
{
    QStringList result;
    for (const ItemCardMenuEntry& entry : entries)
        result << entry.title;
    return result;
}
}

class ItemCardRulesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void contextMenuEntries_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("archived");
        QTest::addColumn<bool>("boardActive");
        QTest::addColumn<bool>("cloud");
        QTest::addColumn<bool>("editing");
        QTest::addColumn<QStringList>("expected");

        const QString todo = QStringLiteral("Todo"), inProgress = QStringLiteral("In Progress"),
                      done = QStringLiteral("Done"), archive = QStringLiteral("Archive"),
                      unarchive = QStringLiteral("Unarchive"), improve = QStringLiteral("Improve Text"),
                      edit = QStringLiteral("Edit"), remove = QStringLiteral("Delete"),
                      details = QStringLiteral("Show details"), copy = QStringLiteral("Copy content");

        QTest::newRow("todo item, cloud board") << 0 << false << true << true << false
                                                << QStringList { inProgress, done, improve, edit, remove, details, copy };
        QTest::newRow("in progress item") << 1 << false << true << true << false
                                          << QStringList { todo, done, improve, edit, remove, details, copy };
        QTest::newRow("done item offers archive") << 2 << false << true << true << false
                                                  << QStringList { todo, inProgress, archive, improve, edit, remove,
                                                         details, copy };
        QTest::newRow("archived done item") << 2 << true << true << true << false
                                            << QStringList { unarchive, edit, remove, details, copy };
        QTest::newRow("card being edited") << 0 << false << true << true << true
                                           << QStringList { inProgress, done, remove, details, copy };
        QTest::newRow("local board has no improvement") << 0 << false << true << false << false
                                                        << QStringList { inProgress, done, edit, remove, details, copy };
        QTest::newRow("archived board") << 2 << false << false << true << false
                                        << QStringList { remove, details, copy };
        QTest::newRow("archived item on archived board") << 2 << true << false << true << false
                                                         << QStringList { remove, details, copy };
    }

    void contextMenuEntries()
    {
        QFETCH(int, status);
        QFETCH(bool, archived);
        QFETCH(bool, boardActive);
        QFETCH(bool, cloud);
        QFETCH(bool, editing);
        QFETCH(QStringList, expected);

        const Item item = makeItem(static_cast<ItemStatus>(status), archived);
        const QList<ItemCardMenuEntry> entries
            = ItemCardMenu::entries(item, makeBoard(boardActive, cloud), editing);
        QCOMPARE(titles(entries), expected);
        // Every entry has an icon behind its symbol.
        for (const ItemCardMenuEntry& entry : entries)
            QVERIFY2(SymbolIcons::hasSymbol(entry.symbol), qPrintable(entry.symbol));
    }

    void searchFilter_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("passes");

        QTest::newRow("empty search") << "anything" << "" << true;
        QTest::newRow("only spaces and line breaks") << "anything" << "  \n\t " << true;
        QTest::newRow("case-insensitive") << "fix the abc parser" << "ABC" << true;
        QTest::newRow("trimmed before matching") << "fix the abc parser" << "  abc\n" << true;
        QTest::newRow("inner spaces kept") << "fix the abc parser" << "the  abc" << false;
        QTest::newRow("not contained") << "fix the parser" << "abc" << false;
        QTest::newRow("markdown source is searched") << "**bold** move" << "**bold" << true;
        QTest::newRow("non-latin letters") << "Straße ÄRGER" << "ärger" << true;
    }

    void searchFilter()
    {
        QFETCH(QString, content);
        QFETCH(QString, search);
        QFETCH(bool, passes);
        QCOMPARE(ItemFilter::passesSearch(makeItem(ItemStatus::todo, false, content), search), passes);
    }

    void searchFollowsTheLocaleCaseRules_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("passes");

        const QString longAccented = QString(600, QChar(0x00C9)) + QStringLiteral(" TARGET");
        const QString longExpanding = QString(600, QChar(0x0130)) + QStringLiteral("X");
        QTest::newRow("plain letters") << "en_US" << "Fix The Parser" << "the PARSER" << true;
        QTest::newRow("plain letters, not contained") << "en_US" << "Fix The Parser" << "parsers" << false;
        QTest::newRow("needle at the very end") << "en_US" << "abc" << "C" << true;
        QTest::newRow("needle longer than the content") << "en_US" << "ab" << "abc" << false;
        QTest::newRow("capital I with dot has a lower-case i") << "en_US" << QStringLiteral("\u0130NDEX") << "i" << true;
        QTest::newRow("Kelvin sign lower-cases to k") << "en_US" << QStringLiteral("300 \u212A") << "k" << true;
        QTest::newRow("non-latin search text") << "de_DE" << QStringLiteral("STRASSE \u00C4RGER") << QStringLiteral("\u00E4rger") << true;
        QTest::newRow("Turkish capital I is a dotless i") << "tr_TR" << "FIX" << "fix" << false;
        QTest::newRow("Turkish, same letters") << "tr_TR" << "FIX" << "FIX" << true;
        QTest::newRow("Turkish dotless i") << "tr_TR" << QStringLiteral("f\u0131x it") << "FIX" << true;
        QTest::newRow("Turkish capital I with dot") << "tr_TR" << QStringLiteral("\u0130stanbul") << "istanbul" << true;
        QTest::newRow("long text, match at the end") << "en_US" << longAccented << "target" << true;
        QTest::newRow("long text, no match") << "en_US" << longAccented << "targets" << false;
        QTest::newRow("text that grows when lower-cased") << "en_US" << longExpanding << "x" << true;
    }

    // The search text is prepared once for many items; the outcome is the locale's own lower-casing
    // of both sides, whichever way the content is compared.
    void searchFollowsTheLocaleCaseRules()
    {
        QFETCH(QString, locale);
        QFETCH(QString, content);
        QFETCH(QString, search);
        QFETCH(bool, passes);
        const QLocale rules(locale);
        const ItemSearch prepared(search, rules);
        QCOMPARE(prepared.matches(content), passes);
        QCOMPARE(rules.toLower(content).contains(rules.toLower(search.trimmed())), passes);

        const QLocale previous;
        QLocale::setDefault(rules);
        const bool throughFilter = ItemFilter(search, {}).passes(makeItem(ItemStatus::todo, false, content));
        const bool throughStatic = ItemFilter::passesSearch(makeItem(ItemStatus::todo, false, content), search);
        QLocale::setDefault(previous);
        QCOMPARE(throughFilter, passes);
        QCOMPARE(throughStatic, passes);
    }

    void assigneeFilter_data()
    {
        const QUuid ann = QUuid::createUuid();
        const QUuid bob = QUuid::createUuid();
        QTest::addColumn<std::optional<QUuid>>("assignee");
        QTest::addColumn<AssigneeFilter>("filter");
        QTest::addColumn<bool>("passes");

        QTest::newRow("no filter, assigned") << std::optional(ann) << AssigneeFilter {} << true;
        QTest::newRow("no filter, unassigned") << std::optional<QUuid>() << AssigneeFilter {} << true;
        QTest::newRow("member matches") << std::optional(ann) << AssigneeFilter { ann, false } << true;
        QTest::newRow("other member") << std::optional(bob) << AssigneeFilter { ann, false } << false;
        QTest::newRow("member filter, unassigned") << std::optional<QUuid>() << AssigneeFilter { ann, false } << false;
        QTest::newRow("without assignee, unassigned") << std::optional<QUuid>() << AssigneeFilter { {}, true } << true;
        QTest::newRow("without assignee, assigned") << std::optional(ann) << AssigneeFilter { {}, true } << false;
    }

    void assigneeFilter()
    {
        QFETCH(std::optional<QUuid>, assignee);
        QFETCH(AssigneeFilter, filter);
        QFETCH(bool, passes);
        QCOMPARE(ItemFilter::passesAssignee(makeItem(ItemStatus::todo, false, QStringLiteral("x"), assignee), filter),
            passes);
    }

    void memberNames_data()
    {
        QTest::addColumn<QString>("displayName");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("initials");

        QTest::newRow("display name") << "Ann Lee Smith" << "ann@x.io" << "Ann Lee Smith" << "AL";
        QTest::newRow("blank display name") << "   " << "bob@x.io" << "bob@x.io" << "B";
        QTest::newRow("one word") << "cleo" << "c@x.io" << "cleo" << "C";
    }

    void memberNames()
    {
        QFETCH(QString, displayName);
        QFETCH(QString, email);
        QFETCH(QString, name);
        QFETCH(QString, initials);
        BoardUser user;
        user.email = email;
        user.displayName = displayName;
        QCOMPARE(MemberNames::name(user), name);
        QCOMPARE(MemberNames::initials(MemberNames::name(user)), initials);
        QCOMPARE(MemberNames::initials(QString()), QStringLiteral("?"));
    }

    void appearanceSelection_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("lightSelectable");
        QTest::addColumn<int>("selection");
        QTest::addColumn<QString>("storedAfter");

        QTest::newRow("light rewritten to dark") << "light" << false << int(AppAppearance::dark) << "dark";
        QTest::newRow("light kept when selectable") << "light" << true << int(AppAppearance::light) << "light";
        QTest::newRow("nothing stored") << "" << false << int(AppAppearance::dark) << "";
        QTest::newRow("unreadable value") << "sepia" << false << int(AppAppearance::dark) << "";
    }

    void appearanceSelection()
    {
        QFETCH(QString, stored);
        QFETCH(bool, lightSelectable);
        QFETCH(int, selection);
        QFETCH(QString, storedAfter);
        QTemporaryDir dir;
        LocalStore store(dir.filePath(QStringLiteral("prefs.ini")));
        if (!stored.isEmpty())
            store.defaults().setValue(QStringLiteral("appearance.selection"),
                QByteArray("\"") + stored.toUtf8() + QByteArray("\""));
        AppearanceController controller(store, lightSelectable);
        QCOMPARE(int(controller.selection()), selection);
        if (storedAfter.isEmpty())
            QVERIFY(!store.contains(QStringLiteral("appearance.selection")));
        else
            QCOMPARE(appAppearanceText(store.get(PreferenceKeys::appearanceSelection())), storedAfter);
    }

    void selectingLightIsIgnoredUnlessSelectable()
    {
        QTemporaryDir dir;
        LocalStore store(dir.filePath(QStringLiteral("prefs.ini")));
        AppearanceController locked(store, false);
        QSignalSpy lockedSpy(&locked, &AppearanceController::selectionChanged);
        locked.select(AppAppearance::light);
        QCOMPARE(locked.selection(), AppAppearance::dark);
        QCOMPARE(lockedSpy.count(), 0);
        QVERIFY(!store.contains(QStringLiteral("appearance.selection")));

        AppearanceController open(store, true);
        QSignalSpy openSpy(&open, &AppearanceController::selectionChanged);
        open.select(AppAppearance::light);
        open.select(AppAppearance::light);
        QCOMPARE(open.selection(), AppAppearance::light);
        QCOMPARE(openSpy.count(), 1);
        QCOMPARE(store.get(PreferenceKeys::appearanceSelection()), AppAppearance::light);
    }
};


QTEST_GUILESS_MAIN(ItemCardRulesTest)
#include "ItemCardRulesTest.moc"
