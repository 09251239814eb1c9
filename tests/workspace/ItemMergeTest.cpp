// The merged-text rule and the partial update requests built from an edited item.
#include "workspace/ItemMerge.h"

#include "domain/IsoDate.h"
#include "domain/WireEncoder.h"
#include "workspace/ItemRequests.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

class ItemMergeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mergedText_data()
    {
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("expected");

        QTest::newRow("blank line between") << "Buy milk"
                                            << "Buy bread"
                                            << "Buy milk\n\nBuy bread";
        QTest::newRow("source trimmed") << "Buy milk"
                                        << "  \n Buy bread \n\n"
                                        << "Buy milk\n\nBuy bread";
        QTest::newRow("one trailing break gets one more") << "Buy milk\n"
                                                          << "Buy bread"
                                                          << "Buy milk\n\nBuy bread";
        QTest::newRow("two trailing breaks get none") << "Buy milk\n\n"
                                                      << "Buy bread"
                                                      << "Buy milk\n\nBuy bread";
        QTest::newRow("three trailing breaks stay") << "Buy milk\n\n\n"
                                                    << "Buy bread"
                                                    << "Buy milk\n\n\nBuy bread";
        QTest::newRow("blank source keeps destination") << "Buy milk \n"
                                                        << " \n\t "
                                                        << "Buy milk \n";
        QTest::newRow("empty source keeps destination") << "Buy milk"
                                                        << ""
                                                        << "Buy milk";
        QTest::newRow("empty destination takes trimmed source") << ""
                                                                << "\n Buy bread  "
                                                                << "Buy bread";
        QTest::newRow("blank destination takes trimmed source") << " \n "
                                                                << " Buy bread"
                                                                << "Buy bread";
        QTest::newRow("destination untrimmed at its start") << "  Buy milk"
                                                            << "Buy bread"
                                                            << "  Buy milk\n\nBuy bread";
    }

    void mergedText()
    {
        QFETCH(QString, destination);
        QFETCH(QString, source);
        QFETCH(QString, expected);
        QCOMPARE(mergedItemText(destination, source), expected);
    }

    void mergedTextIsCutTo300Characters_data()
    {
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("expected");

        const QString a200(200, QLatin1Char('a'));
        const QString b200(200, QLatin1Char('b'));
        QTest::newRow("plain letters")
            << a200 << b200 << a200 + QStringLiteral("\n\n") + QString(98, QLatin1Char('b'));
        QTest::newRow("exactly 300 stays whole") << QString(296, QLatin1Char('a')) << "bb"
                                                 << QString(296, QLatin1Char('a')) + QStringLiteral("\n\nbb");
        QTest::newRow("cut right after the separator") << QString(
            298, QLatin1Char('a')) << "b" << QString(298, QLatin1Char('a')) + QStringLiteral("\n\n");
        // A flag is two code points and four UTF-16 units but one character: never cut in half.
        const QString flag = QStringLiteral("\U0001F1E9\U0001F1EA");
        QString flags;
        for (int i = 0; i < 300; ++i)
            flags += flag;
        QString cut = QString(10, QLatin1Char('a')) + QStringLiteral("\n\n");
        for (int i = 0; i < 288; ++i)
            cut += flag;
        QTest::newRow("flags count as one") << QString(10, QLatin1Char('a')) << flags << cut;
        QTest::newRow("blank source still cut")
            << QString(310, QLatin1Char('a')) << " " << QString(300, QLatin1Char('a'));
    }

    void mergedTextIsCutTo300Characters()
    {
        QFETCH(QString, destination);
        QFETCH(QString, source);
        QFETCH(QString, expected);
        QCOMPARE(mergedItemText(destination, source), expected);
    }

    // What the service receives: only the changed fields and the revision the user saw.
    void updateRequestCarriesOnlyChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("content") << "content" << QByteArray(R"({"content":"Buy bread","revision":7})");
        QTest::newRow("status") << "status" << QByteArray(R"({"revision":7,"status":"DONE"})");
        QTest::newRow("board") << "board"
                               << QByteArray(
                                      R"({"boardId":"00000000-0000-0000-0000-00000000000B","revision":7})");
        QTest::newRow("assignee cleared") << "unassign" << QByteArray(R"({"assignee":null,"revision":7})");
        QTest::newRow("assignee set")
            << "assign" << QByteArray(R"({"assignee":"00000000-0000-0000-0000-00000000000C","revision":7})");
        QTest::newRow("archived") << "archive"
                                  << QByteArray(R"({"archivedAt":"2024-05-01T12:30:00Z","revision":7})");
        QTest::newRow("unarchived") << "unarchive" << QByteArray(R"({"archivedAt":null,"revision":7})");
        QTest::newRow("only the update time") << "touch" << QByteArray(R"({"revision":7})");
        QTest::newRow("archive time moved below a second") << "subsecond" << QByteArray(R"({"revision":7})");
    }

    void updateRequestCarriesOnlyChanges()
    {
        QFETCH(QString, change);
        QFETCH(QByteArray, expected);

        Item before;
        before.id = QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-00000000000A"));
        before.content = QStringLiteral("Buy milk");
        before.status = ItemStatus::todo;
        before.order = 3;
        before.boardId = QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-000000000001"));
        before.assignee = QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-000000000002"));
        before.archivedAt = parseIsoDate(QStringLiteral("2024-04-01T08:00:00Z"));
        before.revision = 7;
        before.didSync = true;
        before.updatedAt = *parseIsoDate(QStringLiteral("2024-04-01T08:00:00Z"));

        Item after = before;
        after.updatedAt = after.updatedAt.addSecs(60);
        if (change == QLatin1String("content"))
            after.content = QStringLiteral("Buy bread");
        else if (change == QLatin1String("status"))
            after.status = ItemStatus::done;
        else if (change == QLatin1String("board"))
            after.boardId = QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-00000000000B"));
        else if (change == QLatin1String("unassign"))
            after.assignee.reset();
        else if (change == QLatin1String("assign"))
            after.assignee = QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-00000000000C"));
        else if (change == QLatin1String("archive"))
            after.archivedAt = parseIsoDate(QStringLiteral("2024-05-01T12:30:00Z"));
        else if (change == QLatin1String("unarchive"))
            after.archivedAt.reset();
        else if (change == QLatin1String("subsecond"))
            after.archivedAt = before.archivedAt->addMSecs(400);

        const UpdateItemRequest request = updateItemRequest(before, after);
        QCOMPARE(changesSomething(request), change != QLatin1String("touch") && change != QLatin1String("subsecond"));
        // Compared as parsed objects: key order is not part of the contract.
        QCOMPARE(toJson(request), QJsonDocument::fromJson(expected).object());
    }

    void pendingItemSendsItsWholeState()
    {
        // An archive that never reached the service must travel with the next edit.
        Item before;
        before.id = QUuid::createUuid();
        before.boardId = QUuid::createUuid();
        before.content = QStringLiteral("Buy milk");
        before.archivedAt = *parseIsoDate(QStringLiteral("2024-05-01T12:30:00Z"));
        before.revision = 4;
        before.didSync = false;
        Item after = before;
        after.content = QStringLiteral("Buy oat milk");

        const QJsonObject json = toJson(updateItemRequest(before, after));
        QCOMPARE(json.value(QStringLiteral("content")).toString(), QStringLiteral("Buy oat milk"));
        QCOMPARE(json.value(QStringLiteral("archivedAt")).toString(), QStringLiteral("2024-05-01T12:30:00Z"));
        QCOMPARE(json.value(QStringLiteral("status")).toString(), QStringLiteral("TODO"));
        QVERIFY(json.contains(QStringLiteral("assignee")) && json.value(QStringLiteral("assignee")).isNull());
        QCOMPARE(json.value(QStringLiteral("revision")).toInteger(), 4);
    }
};

QTEST_GUILESS_MAIN(ItemMergeTest)
#include "ItemMergeTest.moc"
