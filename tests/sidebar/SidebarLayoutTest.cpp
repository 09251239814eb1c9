// The sidebar layout against real preference files: divider colours, the stored JSON form, the merge
// of a stored layout with the boards of now, normalization and the divider operations.
#include "sidebar/SidebarLayout.h"

#include "SidebarTestData.h"
#include "sidebar/SidebarDividerColor.h"
#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>

Q_DECLARE_METATYPE(SidebarDividerColor)

namespace {

const QString local = QStringLiteral("local");

// The order boards were kept in before there were layouts, as letters; none when empty.
void storeOlderOrder(TemporaryPreferences& preferences, const QString& letters)
{
    QList<QUuid> order;
    for (QChar letter : letters)
        order.append(boardIdFor(letter));
    if (!order.isEmpty())
        preferences.store().set(order, PreferenceKeys::boardOrder(local));
}

QByteArray compactJson(const QJsonValue& value)
{
    return QJsonDocument(QJsonArray {value}).toJson(QJsonDocument::Compact);
}

}

class SidebarLayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void dividerColors_data()
    {
        QTest::addColumn<SidebarDividerColor>("color");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QColor>("display");

        QColor gray = QColor::fromRgb(142, 142, 147);
        gray.setAlphaF(0.35f);
        auto row = [](SidebarDividerColor color, const char* text, const char* label, const QColor& display) {
            QTest::newRow(text) << color << QString::fromLatin1(text) << QString::fromLatin1(label) << display;
        };
        row(SidebarDividerColor::subtleGray, "subtleGray", "Subtle Gray", gray);
        row(SidebarDividerColor::accent, "accent", "Accent", QColor(Qt::magenta));
        row(SidebarDividerColor::blue, "blue", "Blue", QColor::fromRgbF(0.24f, 0.46f, 0.96f));
        row(SidebarDividerColor::green, "green", "Green", QColor::fromRgbF(0.20f, 0.63f, 0.38f));
        row(SidebarDividerColor::orange, "orange", "Orange", QColor::fromRgbF(0.95f, 0.59f, 0.20f));
        row(SidebarDividerColor::pink, "pink", "Pink", QColor::fromRgbF(0.91f, 0.30f, 0.55f));
        row(SidebarDividerColor::purple, "purple", "Purple", QColor::fromRgbF(0.52f, 0.39f, 0.92f));
        row(SidebarDividerColor::teal, "teal", "Teal", QColor::fromRgbF(0.09f, 0.68f, 0.66f));
        row(SidebarDividerColor::yellow, "yellow", "Yellow", QColor::fromRgbF(0.99f, 0.82f, 0.27f));
    }

    void dividerColors()
    {
        QFETCH(SidebarDividerColor, color);
        QFETCH(QString, text);
        QFETCH(QString, label);
        QFETCH(QColor, display);

        QCOMPARE(sidebarDividerColorText(color), text);
        QCOMPARE(sidebarDividerColorFromText(text), color);
        QCOMPARE(sidebarDividerColorLabel(color), label);
        const QColor shown = sidebarDividerDisplayColor(color, QColor(Qt::magenta));
        QCOMPARE(shown.rgba(), display.rgba());
        if (color != SidebarDividerColor::subtleGray)
            QCOMPARE(shown.alpha(), 255);
        // Pickers list the colours in this order.
        QCOMPARE(allSidebarDividerColors.at(static_cast<std::size_t>(color)), color);
    }

    void unknownColorTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("other case") << "SubtleGray";
        QTest::newRow("label") << "Subtle Gray";
        QTest::newRow("not a colour") << "red";
        QTest::newRow("empty") << "";
    }

    void unknownColorTexts()
    {
        QFETCH(QString, text);
        QVERIFY(!sidebarDividerColorFromText(text));
    }

    void storageJson()
    {
        const QUuid dividerId = QUuid::fromString(QStringLiteral("{0f0e0d0c-0b0a-4908-8706-050403020100}"));
        const SidebarEntryStorage divider
            = SidebarEntryStorage::divider({dividerId, SidebarDividerColor::teal});
        QCOMPARE(compactJson(JsonCodec<SidebarEntryStorage>::encode(divider)),
            R"([{"type":"divider","value":{"color":"teal","id":"0F0E0D0C-0B0A-4908-8706-050403020100"}}])");
        QCOMPARE(
            JsonCodec<SidebarEntryStorage>::decode(JsonCodec<SidebarEntryStorage>::encode(divider)), divider);

        const SidebarEntryStorage board = SidebarEntryStorage::board(dividerId);
        QCOMPARE(compactJson(JsonCodec<SidebarEntryStorage>::encode(board)),
            R"([{"type":"board","value":"0F0E0D0C-0B0A-4908-8706-050403020100"}])");
        QCOMPARE(
            JsonCodec<SidebarEntryStorage>::decode(JsonCodec<SidebarEntryStorage>::encode(board)), board);

        // Same id, other case: not the same stored entry.
        QVERIFY(!(board == divider));
        QVERIFY(!(divider == SidebarEntryStorage::divider({dividerId, SidebarDividerColor::blue})));
    }

    void storageJsonRejected_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("unknown type")
            << QByteArray(R"({"type":"folder","value":"0F0E0D0C-0B0A-4908-8706-050403020100"})");
        QTest::newRow("type in other case")
            << QByteArray(R"({"type":"Board","value":"0F0E0D0C-0B0A-4908-8706-050403020100"})");
        QTest::newRow("no type") << QByteArray(R"({"value":"0F0E0D0C-0B0A-4908-8706-050403020100"})");
        QTest::newRow("board without value") << QByteArray(R"({"type":"board"})");
        QTest::newRow("board value not an id") << QByteArray(R"({"type":"board","value":"board A"})");
        QTest::newRow("board value an object")
            << QByteArray(R"({"type":"board","value":{"id":"0F0E0D0C-0B0A-4908-8706-050403020100"}})");
        QTest::newRow("divider without colour")
            << QByteArray(R"({"type":"divider","value":{"id":"0F0E0D0C-0B0A-4908-8706-050403020100"}})");
        QTest::newRow("divider of unknown colour") << QByteArray(
            R"({"type":"divider","value":{"id":"0F0E0D0C-0B0A-4908-8706-050403020100","color":"red"}})");
        QTest::newRow("divider without id") << QByteArray(R"({"type":"divider","value":{"color":"blue"}})");
        QTest::newRow("divider value a string") << QByteArray(R"({"type":"divider","value":"blue"})");
        QTest::newRow("array") << QByteArray(R"(["board","0F0E0D0C-0B0A-4908-8706-050403020100"])");
    }

    void storageJsonRejected()
    {
        QFETCH(QByteArray, json);
        const QJsonDocument document = QJsonDocument::fromJson("[" + json + "]");
        QVERIFY(document.isArray());
        QVERIFY(!JsonCodec<SidebarEntryStorage>::decode(document.array().first()));
    }

    void normalize_data()
    {
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QString>("expected");
        QTest::newRow("already tidy") << "A|B|C" << "A|B|C";
        QTest::newRow("leading and trailing") << "|A||B|" << "A|B";
        QTest::newRow("run of three") << "A|||B" << "A|B";
        QTest::newRow("only dividers") << "|||" << "";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("one board") << "|A|" << "A";
    }

    void normalize()
    {
        QFETCH(QString, entries);
        QFETCH(QString, expected);
        QCOMPARE(notationOf(normalizeSidebarEntries(entriesFrom(entries))), expected);
    }

    void normalizeKeepsFirstOfAdjacentDividers()
    {
        QList<SidebarEntry> entries = entriesFrom(QStringLiteral("A||B"));
        entries[1].divider()->color = SidebarDividerColor::pink;
        entries[2].divider()->color = SidebarDividerColor::teal;
        const QList<SidebarEntry> normalized = normalizeSidebarEntries(entries);
        QCOMPARE(normalized.size(), 3);
        QCOMPARE(normalized.at(1).id(), entries.at(1).id());
        QCOMPARE(normalized.at(1).divider()->color, SidebarDividerColor::pink);
    }

    // stored: the layout in the notation, "-" for none, or "raw:" and the bytes another writer left;
    // olderOrder: letters under "board.order."; saved: what the layout holds afterwards.
    void load_data()
    {
        QTest::addColumn<QString>("boards");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("olderOrder");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("saved");

        QTest::newRow("untidy layout is tidied and saved") << "AB" << "|A||B|" << "" << "A|B" << "A|B";
        QTest::newRow("deleted board, divider no longer between boards") << "A" << "A|B" << "" << "A" << "A";
        QTest::newRow("deleted board, divider still between boards")
            << "AC" << "A|BC" << "" << "A|C" << "A|C";
        QTest::newRow("deleted board replaced by a new one") << "AC" << "A|B" << "" << "A|C" << "A|C";
        QTest::newRow("new boards go to the end in workspace order")
            << "DACB" << "B|A" << "" << "B|ADC" << "B|ADC";
        QTest::newRow("board named twice keeps its first place") << "AB" << "A|BA" << "" << "A|B" << "A|B";
        QTest::newRow("layout wins over the older order") << "ABC" << "C|BA" << "ABC" << "C|BA" << "C|BA";
        QTest::newRow("no layout, no older order") << "BAC" << "-" << "" << "BAC" << "BAC";
        QTest::newRow("older order") << "ABC" << "-" << "CAB" << "CAB" << "CAB";
        QTest::newRow("older order missing boards appends them") << "ABCD" << "-" << "DB" << "DBAC" << "DBAC";
        QTest::newRow("older order naming gone boards") << "AB" << "-" << "XBZA" << "BA" << "BA";
        QTest::newRow("no boards leaves the layout alone") << "" << "A|B" << "" << "" << "A|B";
        QTest::newRow("layout of only gone boards") << "C" << "A|B" << "" << "C" << "C";
        // A damaged layout heals: it is made again as if there were none.
        QTest::newRow("damaged: not JSON") << "ABC" << "raw:{{{" << "" << "ABC" << "ABC";
        QTest::newRow("damaged: unknown type, older order used") << "ABC"
            << R"(raw:[{"type":"board","value":"0F0E0D0C-0B0A-4908-8706-050403020100"},{"type":"shelf","value":1}])"
            << "CB" << "CBA" << "CBA";
        QTest::newRow("damaged: object instead of array") << "ABC" << R"(raw:{"type":"board"})" << "" << "ABC" << "ABC";
        QTest::newRow("damaged: null") << "ABC" << "raw:null" << "B" << "BAC" << "BAC";
    }

    void load()
    {
        QFETCH(QString, boards);
        QFETCH(QString, stored);
        QFETCH(QString, olderOrder);
        QFETCH(QString, expected);
        QFETCH(QString, saved);

        TemporaryPreferences preferences;
        if (stored.startsWith(QLatin1String("raw:")))
            preferences.writeRaw(QStringLiteral("sidebar.layout.local"), stored.mid(4).toUtf8());
        else if (stored != QLatin1String("-"))
            preferences.store().set(storageFrom(stored), sidebarLayoutKey(local));
        storeOlderOrder(preferences, olderOrder);

        const QList<SidebarEntry> entries
            = loadSidebarEntries(preferences.store(), boardsNamed(boards), local, true);
        QCOMPARE(notationOf(entries), expected);
        preferences.reopen();
        QCOMPARE(preferences.storedLayoutNotation(local), saved);
        // The older order is only ever read.
        QCOMPARE(preferences.contains(QStringLiteral("board.order.local")), !olderOrder.isEmpty());
    }

    void loadWithoutPersistenceWritesNothing()
    {
        TemporaryPreferences preferences;
        preferences.store().set(storageFrom(QStringLiteral("|A")), sidebarLayoutKey(local));
        const QList<SidebarEntry> entries
            = loadSidebarEntries(preferences.store(), boardsNamed(QStringLiteral("AB")), local, false);
        QCOMPARE(notationOf(entries), QStringLiteral("AB"));
        QCOMPARE(preferences.storedLayoutNotation(local), QStringLiteral("|A"));

        const QList<SidebarEntry> fresh = loadSidebarEntries(
            preferences.store(), boardsNamed(QStringLiteral("C")), QStringLiteral("remote"), false);
        QCOMPARE(notationOf(fresh), QStringLiteral("C"));
        QVERIFY(!preferences.contains(QStringLiteral("sidebar.layout.remote")));
    }

    void recolourSurvivesRestart()
    {
        TemporaryPreferences preferences;
        QList<SidebarEntry> section
            = loadSidebarEntries(preferences.store(), boardsNamed(QStringLiteral("AB")), local, true);
        QVERIFY(insertSidebarDivider(preferences.store(), section, 0, true, local));
        const QUuid dividerId = section.at(1).id();

        QVERIFY(recolorSidebarDivider(preferences.store(), section, 1, SidebarDividerColor::purple, local));
        QCOMPARE(section.at(1).divider()->color, SidebarDividerColor::purple);

        preferences.reopen();
        const QList<SidebarEntry> restarted
            = loadSidebarEntries(preferences.store(), boardsNamed(QStringLiteral("AB")), local, true);
        QCOMPARE(notationOf(restarted), QStringLiteral("A|B"));
        QCOMPARE(restarted.at(1).id(), dividerId);
        QCOMPARE(restarted.at(1).divider()->color, SidebarDividerColor::purple);
    }

    // The row edits of the context menu: a divider above or below a board, a removal, a new colour.
    // index is the row's; accepted: whether the section changed and was saved.
    void sectionEdits_data()
    {
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("accepted");

        QTest::newRow("divider below the first board") << "ABC" << "below" << 0 << "A|BC" << true;
        QTest::newRow("divider above the last board") << "ABC" << "above" << 2 << "AB|C" << true;
        QTest::newRow("divider below a board followed by a divider") << "A|BC" << "below" << 0 << "A|BC" << false;
        QTest::newRow("divider above a board after a divider") << "A|BC" << "above" << 2 << "A|BC" << false;
        QTest::newRow("divider below a board after a divider") << "A|BC" << "below" << 2 << "A|B|C" << true;
        QTest::newRow("divider above the first board is tidied away") << "ABC" << "above" << 0 << "ABC" << true;
        QTest::newRow("divider below the last board is tidied away") << "ABC" << "below" << 2 << "ABC" << true;
        QTest::newRow("divider on a divider row") << "A|B" << "below" << 1 << "A|B" << false;
        QTest::newRow("divider past the end") << "AB" << "above" << 2 << "AB" << false;
        QTest::newRow("divider at a negative index") << "AB" << "below" << -1 << "AB" << false;
        QTest::newRow("divider in an empty section") << "" << "above" << 0 << "" << false;
        QTest::newRow("remove a divider") << "A|B|C" << "remove" << 1 << "AB|C" << true;
        QTest::newRow("remove a board, leaving two dividers together") << "A|B|C" << "remove" << 2 << "A|C" << true;
        QTest::newRow("remove the first board, leaving a leading divider") << "A|B" << "remove" << 0 << "B" << true;
        QTest::newRow("remove past the end") << "A|B" << "remove" << 3 << "A|B" << false;
        QTest::newRow("recolour a board row") << "A|B" << "recolour" << 0 << "A|B" << false;
        QTest::newRow("recolour past the end") << "A|B" << "recolour" << 3 << "A|B" << false;
        QTest::newRow("recolour at a negative index") << "A|B" << "recolour" << -1 << "A|B" << false;
    }

    void sectionEdits()
    {
        QFETCH(QString, entries);
        QFETCH(QString, edit);
        QFETCH(int, index);
        QFETCH(QString, expected);
        QFETCH(bool, accepted);

        TemporaryPreferences preferences;
        QList<SidebarEntry> section = entriesFrom(entries);
        const QList<SidebarEntry> before = section;
        LocalStore& store = preferences.store();
        const bool done = edit == QLatin1String("remove") ? removeSidebarEntry(store, section, index, local)
            : edit == QLatin1String("recolour")
            ? recolorSidebarDivider(store, section, index, SidebarDividerColor::green, local)
            : insertSidebarDivider(store, section, index, edit == QLatin1String("below"), local);
        QCOMPARE(done, accepted);
        QCOMPARE(notationOf(section), expected);
        if (!accepted)
            QCOMPARE(section, before);
        preferences.reopen();
        QCOMPARE(preferences.contains(QStringLiteral("sidebar.layout.local")), accepted);
        if (accepted)
            QCOMPARE(preferences.storedLayoutNotation(local), expected);
        // New dividers start subtle gray; a refused recolour leaves the colour alone.
        for (const SidebarEntry& entry : std::as_const(section)) {
            if (entry.isDivider())
                QCOMPARE(entry.divider()->color, SidebarDividerColor::subtleGray);
        }
    }
};

QTEST_GUILESS_MAIN(SidebarLayoutTest)
#include "SidebarLayoutTest.moc"
