#include "RichTextTestSupport.h"

#include "richtext/ItemTextRenderer.h"
#include "richtext/TemporalBadgeObject.h"
#include "richtext/TemporalFormatter.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTextCursor>

using namespace richtexttest;

namespace {

TemporalFormatter formatter(const QString& locale = QStringLiteral("en_US"), const QString& zone = QStringLiteral("UTC"))
{
    const ItemTextStyle textStyle = style();
    return TemporalFormatter(textStyle.baseFont, textStyle.palette.highlightColor, textStyle.palette.bodyTextColor,
        textStyle.palette.codeAccentColor, textStyle.palette.linkColor, TemporalContext {locale, zone});
}

QString readable(std::optional<QString> label)
{
    if (!label)
        return QStringLiteral("<none>");
    return label->replace(QChar(0x202F), QLatin1Char(' '));
}

QString candidateSpans(const QString& text)
{
    QStringList spans;
    for (const TemporalFormatter::Match& match : TemporalFormatter::candidates(text))
        spans << QStringLiteral("%1+%2").arg(match.location).arg(match.length);
    return spans.join(QLatin1Char(' '));
}

} // namespace

class TemporalBadgeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void badgeText_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("matched");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("zone");

        QTest::newRow("ambiguous day/month reads day first") << "en_US" << "05/12/2024" << "Dec 5, 2024" << "UTC";
        QTest::newRow("month first when the day-first reading is invalid") << "en_US" << "05/13/2024" << "May 13, 2024" << "UTC";
        QTest::newRow("dotted") << "en_US" << "12.03.2024" << "Mar 12, 2024" << "UTC";
        QTest::newRow("dotted single digits") << "en_US" << "1.2.2024" << "Feb 1, 2024" << "UTC";
        QTest::newRow("ordinal day then month") << "en_US" << "12th March 2024" << "Mar 12, 2024" << "UTC";
        QTest::newRow("month then ordinal day") << "en_US" << "March 12th, 2024" << "Mar 12, 2024" << "UTC";
        QTest::newRow("abbreviated month") << "en_US" << "3rd Jan 2025" << "Jan 3, 2025" << "UTC";
        QTest::newRow("year first") << "en_US" << "2024-05-12" << "May 12, 2024" << "UTC";
        QTest::newRow("year first with slashes") << "en_US" << "2024/5/1" << "May 1, 2024" << "UTC";
        QTest::newRow("date and time") << "en_US" << "12/03/2024 10:30" << "Mar 12, 2024, 10:30 AM" << "UTC";
        QTest::newRow("date and twelve-hour time") << "en_US" << "March 5, 2024 3:30 PM" << "Mar 5, 2024, 3:30 PM" << "UTC";
        QTest::newRow("time lower-case pm") << "en_US" << "10:30pm" << "10:30 PM" << "UTC";
        QTest::newRow("time with space") << "en_US" << "10:30 PM" << "10:30 PM" << "UTC";
        QTest::newRow("twenty-four hour time") << "en_US" << "22:15" << "10:15 PM" << "UTC";
        QTest::newRow("surrounding white space is trimmed") << "en_US" << " 9:05 \n" << "9:05 AM" << "UTC";
        QTest::newRow("31 February is no date") << "en_US" << "31/02/2024" << "<none>" << "UTC";
        QTest::newRow("month 13 both ways") << "en_US" << "13/13/2024" << "<none>" << "UTC";
        QTest::newRow("25 o'clock") << "en_US" << "25:00" << "<none>" << "UTC";
        QTest::newRow("words") << "en_US" << "hello" << "<none>" << "UTC";
        QTest::newRow("white space only") << "en_US" << "  " << "<none>" << "UTC";
        // Only written dates and clock times are read; words for days stay words.
        QTest::newRow("relative day") << "en_US" << "tomorrow" << "<none>" << "UTC";
        QTest::newRow("weekday with hour") << "en_US" << "next Friday 3pm" << "<none>" << "UTC";
        QTest::newRow("hour without minutes") << "en_US" << "3pm" << "<none>" << "UTC";
        QTest::newRow("weekday name") << "en_US" << "Friday" << "<none>" << "UTC";
        QTest::newRow("German label") << "de_DE" << "05/12/2024" << "05.12.2024" << "UTC";
        QTest::newRow("German time") << "de_DE" << "10:30pm" << "22:30" << "UTC";
        // A written time is read in the zone it is shown in, so it reads the same in any zone.
        QTest::newRow("time in Tokyo") << "en_US" << "10:30" << "10:30 AM" << "Asia/Tokyo";
        QTest::newRow("time in New York") << "en_US" << "23:30" << "11:30 PM" << "America/New_York";
        QTest::newRow("British label") << "en_GB" << "2024-05-12" << "12 May 2024" << "UTC";
    }

    void badgeText()
    {
        QFETCH(QString, locale);
        QFETCH(QString, matched);
        QFETCH(QString, label);
        QFETCH(QString, zone);
        QCOMPARE(readable(formatter(locale, zone).badgeText(matched)), label);
    }

    void appliesBadges_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("shown");

        QTest::newRow("date and time are two badges") << "Meet 12/03/2024 at 10:30" << "Meet [Mar 12, 2024] at [10:30 AM]";
        QTest::newRow("ordinal date") << "Due 12th March 2024!" << "Due [Mar 12, 2024]!";
        QTest::newRow("month first with comma") << "Due March 12th, 2024." << "Due [Mar 12, 2024].";
        QTest::newRow("invalid date keeps its text") << "On 31/02/2024" << "On 31/02/2024";
        QTest::newRow("pm without space") << "at 10:30pm" << "at [10:30 PM]";
        QTest::newRow("pm with space") << "at 10:30 PM" << "at [10:30 PM]";
        QTest::newRow("year first, one badge") << "2024-05-12" << "[May 12, 2024]";
        QTest::newRow("inline code is left alone") << "Due `12/03/2024`" << "Due 12/03/2024";
        QTest::newRow("link text is left alone") << "[12/03/2024](https://plenko.net)" << "12/03/2024";
        QTest::newRow("overlap: later match wins, earlier one is dropped") << "2024/5/12/2024" << "2024/[Dec 5, 2024]";
        QTest::newRow("overlap: an unparsable match still blocks") << "2024/1/31/02/2024" << "2024/1/31/02/2024";
        QTest::newRow("date inside a list item") << "- ship 2024-05-12" << "  - ship [May 12, 2024]";
        QTest::newRow("no candidates") << "nothing to see" << "nothing to see";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("version number is no time") << "v1:300" << "v1:300";
        QTest::newRow("relative day stays text") << "Call them tomorrow" << "Call them tomorrow";
        QTest::newRow("weekday and bare hour stay text") << "next Friday 3pm" << "next Friday 3pm";
        QTest::newRow("weekday stays, clock time is a badge") << "next Friday at 3:00pm" << "next Friday at [3:00 PM]";
        QTest::newRow("month and day without a year stay text") << "due Dec 5" << "due Dec 5";
        QTest::newRow("task list marker stays text beside a badge") << "- [x] ship 2024-05-12"
                                                                    << "  - [x] ship [May 12, 2024]";
    }

    void appliesBadges()
    {
        QFETCH(QString, markdown);
        QFETCH(QString, shown);
        const AttributedText text = ItemTextRenderer::renderText(markdown, {}, style(), nullptr);
        QCOMPARE(withBadgeLabels(text), shown);
    }

    void candidates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("spans"); // "location+length" of each candidate, in the order found
        QTest::newRow("no digit at all") << "Ship it on Friday, March the twelfth" << "";
        QTest::newRow("digits that form no date") << "v1 and 42 and 7" << "";
        QTest::newRow("emoji and letters, no digit") << QStringLiteral("\U0001F680 launch \u00E9t\u00E9") << "";
        QTest::newRow("ASCII date") << "due 2024-05-12." << "4+10";
        QTest::newRow("date after an emoji") << QStringLiteral("\U0001F680 2024-05-12") << "3+10";
        // Any decimal digit counts, not only ASCII ones: the year-first pattern is all \d.
        QTest::newRow("Arabic-Indic digits") << QStringLiteral("on \u0662\u0660\u0662\u0664-\u0660\u0665-\u0661\u0662")
                                             << "3+10";
        QTest::newRow("digits outside the basic plane")
            << QStringLiteral("on \U0001D7D0\U0001D7CE\U0001D7D0\U0001D7D2-\U0001D7CE\U0001D7D3-\U0001D7CF\U0001D7D0")
            << "3+18";
        // Day/month/year finds its match before year-first does.
        QTest::newRow("pattern order") << "2024/5/12/2024" << "5+9 0+9";
    }

    void candidates()
    {
        QFETCH(QString, text);
        QFETCH(QString, spans);
        QCOMPARE(candidateSpans(text), spans);
    }

    void candidatesOfOneTextDoNotLeakIntoTheNext()
    {
        const QString longer = QStringLiteral("first 10:30, then 2024-05-12 and 12/03/2024");
        const QString first = candidateSpans(longer);
        QCOMPARE(first.split(QLatin1Char(' ')).size(), 3);
        QCOMPARE(candidateSpans(QStringLiteral("at 9:15")), QStringLiteral("3+4"));
        QCOMPARE(candidateSpans(QStringLiteral("none here")), QString());
        QCOMPARE(candidateSpans(longer), first);
    }

    void badgeCarriesItsLook()
    {
        const ItemTextStyle textStyle = style();
        const AttributedText text = ItemTextRenderer::renderText(QStringLiteral("on 2024-05-12"), {}, textStyle, nullptr);
        QCOMPARE(text.size(), 6);
        QCOMPARE(text.text().at(3), QChar(0x2009));
        QCOMPARE(text.text().at(4), QChar(QChar::ObjectReplacementCharacter));
        QCOMPARE(text.text().at(5), QChar(0x2009));
        const TextAttributes spacing = text.attributesAt(3);
        QCOMPARE(spacing.font->pixelSize(), qRound(16 * 0.8));
        QCOMPARE(spacing.foreground, std::optional<QColor>(textStyle.palette.bodyTextColor));
        QCOMPARE(spacing.baselineOffset, 1.5);
        QCOMPARE(text.attachments().size(), 1);
        QCOMPARE(text.attachments().first().backgroundColor, textStyle.palette.highlightColor);
    }

    // Label sizes are kept per font and label: each font must get its own measure.
    void badgeSizeFollowsItsFont()
    {
        QFont small = style().baseFont;
        small.setPixelSize(12);
        QFont large = small;
        large.setPixelSize(20);
        QFont bold = small;
        bold.setBold(true);
        const QString label = QStringLiteral("May 12, 2024");
        QList<qreal> widths;
        for (const QFont& font : {small, large, bold, small}) {
            const TemporalBadgeAttachmentCell cell = TemporalBadgeAttachmentCell::make(label, font, Qt::white, Qt::gray);
            const QFontMetricsF metrics(cell.badgeFont);
            QCOMPARE(cell.intrinsicSize.width(), metrics.horizontalAdvance(label) + 8.0);
            QCOMPARE(cell.intrinsicSize.height(), metrics.ascent() + 1.5);
            QVERIFY(cell.badgeFont.styleStrategy() & QFont::PreferNoShaping);
            widths << cell.intrinsicSize.width();
        }
        QVERIFY(widths[1] > widths[0]);
        QVERIFY(widths[2] >= widths[0]);
        QCOMPARE(widths[3], widths[0]);
        // A label with a combining mark keeps full shaping.
        const auto marked = TemporalBadgeAttachmentCell::make(QStringLiteral("12 ma\u0301j"), small, Qt::white, Qt::gray);
        QVERIFY(!(marked.badgeFont.styleStrategy() & QFont::PreferNoShaping));
    }

    void badgeIsDrawnInTheDocument()
    {
        const ItemTextStyle textStyle = style();
        const RenderedItemText rendered = ItemTextRenderer::render(QStringLiteral("2024-05-12"), {}, textStyle);
        QTextDocument& document = *rendered.document;
        document.setTextWidth(400);
        QTextCursor cursor(&document);
        cursor.setPosition(2);
        QCOMPARE(cursor.charFormat().objectType(), TemporalBadgeObject::Type);
        const TemporalBadgeAttachmentCell cell = TemporalBadgeObject::cell(cursor.charFormat());
        QCOMPARE(cell.label, QStringLiteral("May 12, 2024"));

        QImage image(400, 60, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        document.drawContents(&painter);
        painter.end();
        // Somewhere in the first line the badge's background shows.
        bool found = false;
        for (int x = 0; x < 200 && !found; ++x) {
            for (int y = 0; y < 30 && !found; ++y)
                found = image.pixel(x, y) == textStyle.palette.highlightColor.rgb();
        }
        QVERIFY(found);
    }
};

QTEST_MAIN(TemporalBadgeTest)

#include "TemporalBadgeTest.moc"
