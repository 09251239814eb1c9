#include "RichTextTestSupport.h"

#include "richtext/ItemTextRenderer.h"
#include "richtext/MentionDetector.h"
#include "richtext/MentionIdentity.h"
#include "richtext/RichTextHitTester.h"

#include <QTest>
#include <QTextCursor>

using namespace richtexttest;

class MentionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findsMentions_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QStringList>("emails");
        QTest::addColumn<QString>("expected"); // "location:length:handle:email" joined by ";"

        const QStringList team {QStringLiteral("alice@plenko.net"), QStringLiteral("bob.smith@plenko.net")};
        const auto row = [&team](const char* name, const char* markdown, const char* expected, const QStringList& emails = {}) {
            QTest::newRow(name) << QString::fromUtf8(markdown) << (emails.isEmpty() ? team : emails)
                                << QString::fromUtf8(expected);
        };
        row("simple", "ping @alice", "5:6:alice:alice@plenko.net");
        row("upper case matches, handle lower-cased", "ping @Alice", "5:6:alice:alice@plenko.net");
        row("dotted handle", "@bob.smith, look", "0:10:bob.smith:bob.smith@plenko.net");
        row("e-mail address is no mention", "mail alice@plenko.net", "");
        row("underscore before @", "x_@alice", "");
        row("letter before @", "é@alice", "");
        row("punctuation before @", "(@alice)", "1:6:alice:alice@plenko.net");
        row("full stop ends the sentence", "thanks @alice.", "7:6:alice:alice@plenko.net");
        row("ellipsis after the handle", "ask @alice...", "4:6:alice:alice@plenko.net");
        row("dotted handle ends a sentence", "for @bob.smith.", "4:10:bob.smith:bob.smith@plenko.net");
        row("first part of a dotted handle is no member", "@bob.", "");
        row("member whose handle ends in a full stop", "hi @dot. and @dot", "3:5:dot.:dot.@plenko.net;13:4:dot:dot@plenko.net",
            {QStringLiteral("dot.@plenko.net"), QStringLiteral("dot@plenko.net")});
        row("other trailing punctuation was never part of it", "@alice! @alice? @alice,",
            "0:6:alice:alice@plenko.net;8:6:alice:alice@plenko.net;16:6:alice:alice@plenko.net");
        row("hyphen still joins the handle", "@alice-", "");
        row("full stop before more handle text", "@alice.b", "");
        row("handle of no member", "hi @carol", "");
        QTest::newRow("no members") << "hi @alice" << QStringList() << "";
        row("two mentions in order", "@bob.smith and @alice", "0:10:bob.smith:bob.smith@plenko.net;15:6:alice:alice@plenko.net");
        row("later member with the same handle wins", "hi @alice", "3:6:alice:Alice@two.net",
            {QStringLiteral("alice@one.net"), QStringLiteral("Alice@two.net")});
        row("positions are in rendered text", "- **@alice** 2024-05-12 @bob.smith",
            "4:6:alice:alice@plenko.net;15:10:bob.smith:bob.smith@plenko.net");
    }

    void findsMentions()
    {
        QFETCH(QString, markdown);
        QFETCH(QStringList, emails);
        QFETCH(QString, expected);
        QList<BoardUser> members;
        for (const QString& email : emails)
            members.append(member(email));
        QList<MentionRange> mentions;
        ItemTextRenderer::renderText(markdown, members, style(), &mentions);
        QStringList actual;
        for (const MentionRange& mention : mentions) {
            actual.append(QStringLiteral("%1:%2:%3:%4").arg(mention.location).arg(mention.length).arg(mention.handle, mention.user.email));
        }
        QCOMPARE(actual.join(QLatin1Char(';')), expected);
    }

    void mentionIsColouredAndUnderlined()
    {
        const ItemTextStyle textStyle = style();
        const RenderedItemText rendered = ItemTextRenderer::render(QStringLiteral("hi @alice and @nobody"),
            {member(QStringLiteral("alice@plenko.net"))}, textStyle);
        QTextCursor cursor(rendered.document.get());
        cursor.setPosition(5);
        QCOMPARE(cursor.charFormat().foreground().color(), textStyle.palette.mentionColor);
        QVERIFY(cursor.charFormat().fontUnderline());
        cursor.setPosition(17); // inside "@nobody"
        QCOMPARE(cursor.charFormat().foreground().color(), textStyle.palette.bodyTextColor);
        QVERIFY(!cursor.charFormat().fontUnderline());
    }

    void hitTesting()
    {
        const RenderedItemText rendered = ItemTextRenderer::render(
            QStringLiteral("hi @alice see [docs](https://plenko.net/docs)\n\nlast"), {member(QStringLiteral("alice@plenko.net"))}, style());
        QTextDocument& document = *rendered.document;
        document.setTextWidth(500);
        QCOMPARE(rendered.mentionRanges.size(), 1);
        const MentionRange& alice = rendered.mentionRanges.first();

        const QRectF mentionRect = RichTextHitTester::firstLineRect(document, alice.location, alice.length);
        QVERIFY(mentionRect.width() > 0);
        const auto hit = RichTextHitTester::mentionAt(document, rendered.mentionRanges, mentionRect.center());
        QVERIFY(hit);
        QCOMPARE(hit->handle, QStringLiteral("alice"));
        QVERIFY(!RichTextHitTester::linkAt(document, mentionRect.center()));

        const qsizetype docsAt = document.toPlainText().indexOf(QStringLiteral("docs"));
        const QRectF linkRect = RichTextHitTester::firstLineRect(document, docsAt, 4);
        QCOMPARE(RichTextHitTester::linkAt(document, linkRect.center()), std::optional<QString>(QStringLiteral("https://plenko.net/docs")));
        QVERIFY(!RichTextHitTester::mentionAt(document, rendered.mentionRanges, linkRect.center()));

        // Plain text, the empty space after a line and the space below the text hit nothing.
        const QRectF plainRect = RichTextHitTester::firstLineRect(document, 0, 2);
        QVERIFY(!RichTextHitTester::mentionAt(document, rendered.mentionRanges, plainRect.center()));
        QVERIFY(!RichTextHitTester::linkAt(document, plainRect.center()));
        const QPointF afterLine(linkRect.right() + 100, linkRect.center().y());
        QVERIFY(!RichTextHitTester::linkAt(document, afterLine));
        QVERIFY(!RichTextHitTester::linkAt(document, QPointF(10, 1000)));
    }

    void memberNaming_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("displayName");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("initials");
        QTest::newRow("display name") << "ada@plenko.net" << "Ada Lovelace" << "Ada Lovelace" << "AL";
        QTest::newRow("display name trimmed") << "ada@plenko.net" << "  ada  " << "ada" << "A";
        QTest::newRow("first two words only") << "jp@plenko.net" << "jean paul sartre" << "jean paul sartre" << "JP";
        QTest::newRow("blank display name falls back to the handle") << "grace.hopper@plenko.net" << "   " << "grace.hopper" << "G";
        QTest::newRow("no display name") << "linus@plenko.net" << QString() << "linus" << "L";
    }

    void memberNaming()
    {
        QFETCH(QString, email);
        QFETCH(QString, displayName);
        QFETCH(QString, name);
        QFETCH(QString, initials);
        const BoardUser user = member(email, displayName);
        QCOMPARE(MentionIdentity::name(user), name);
        QCOMPARE(MentionIdentity::initials(MentionIdentity::name(user)), initials);
    }
};

QTEST_MAIN(MentionTest)

#include "MentionTest.moc"
