#include "RichTextTestSupport.h"

#include "richtext/MarkdownCheatsheetView.h"
#include "richtext/MentionPopover.h"
#include "richtext/MentionPopoverView.h"
#include "richtext/MentionTextView.h"
#include "richtext/RichTextHitTester.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QVBoxLayout>

using namespace richtexttest;

namespace {

// Stands in for the item card beneath the text: records the clicks that reach it.
class ClickRecorder : public QWidget
{
public:
    int presses = 0;

    // The card shown with a text view on its upper part.
    MentionTextView* showText()
    {
        auto* view = new MentionTextView(this);
        view->setTemporalContext(TemporalContext {QStringLiteral("en_US"), QStringLiteral("UTC")});
        view->setGeometry(0, 0, 400, 80);
        resize(400, 200);
        show();
        if (!QTest::qWaitForWindowExposed(this))
            qFatal("the card was never shown");
        return view;
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        ++presses;
        event->accept();
    }
};

QPoint centreOf(const MentionTextView& view, qsizetype location, qsizetype length)
{
    const QRectF rect = RichTextHitTester::firstLineRect(*view.document(), location, length);
    return rect.center().toPoint() + QPoint(0, MentionTextView::verticalInset);
}

} // namespace

class RichTextViewsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void clickingAMentionOpensThePopover()
    {
        ClickRecorder card;
        MentionTextView* view = card.showText();
        view->updateContent(QStringLiteral("ask @ada about it"),
            {member(QStringLiteral("ada@plenko.net"), QStringLiteral("Ada Lovelace"))});
        QCOMPARE(view->mentionRanges().size(), 1);

        QSignalSpy selected(view, &MentionTextView::mentionSelected);
        const MentionRange& ada = view->mentionRanges().first();
        QTest::mouseClick(view, Qt::LeftButton, {}, centreOf(*view, ada.location, ada.length));
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().first().value<MentionRange>().handle, QStringLiteral("ada"));
        QCOMPARE(card.presses, 0);

        MentionPopover* popover = view->mentionPopover();
        QVERIFY(popover);
        QTRY_VERIFY(popover->isVisible());
        QVERIFY(popover->width() >= MentionPopover::minimumWidth && popover->width() <= MentionPopover::maximumWidth);
        QCOMPARE(popover->findChild<QLabel*>(QStringLiteral("name"))->text(), QStringLiteral("Ada Lovelace"));
        QCOMPARE(popover->findChild<QLabel*>(QStringLiteral("avatar"))->text(), QStringLiteral("AL"));
        // Below the mention.
        QVERIFY(popover->geometry().top() >= view->mapToGlobal(centreOf(*view, ada.location, ada.length)).y());
        popover->close();
    }

    void clicksElsewhereReachTheCard()
    {
        ClickRecorder card;
        MentionTextView* view = card.showText();
        view->updateContent(QStringLiteral("plain words and @ada"), {member(QStringLiteral("ada@plenko.net"))});

        QTest::mouseClick(view, Qt::LeftButton, {}, centreOf(*view, 0, 5));
        QCOMPARE(card.presses, 1);
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(390, 70));
        QCOMPARE(card.presses, 2);
        // A secondary click on a mention is the card's too (its context menu).
        const MentionRange& ada = view->mentionRanges().first();
        QTest::mouseClick(view, Qt::RightButton, {}, centreOf(*view, ada.location, ada.length));
        QCOMPARE(card.presses, 3);
        QVERIFY(!view->mentionPopover());
    }

    void clickingALinkReportsIt()
    {
        MentionTextView view;
        view.setOpensLinks(false);
        view.resize(400, 80);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.updateContent(QStringLiteral("read [the guide](https://plenko.net/guide) first"), {});
        QSignalSpy activated(&view, &MentionTextView::linkActivated);
        const qsizetype at = view.document()->toPlainText().indexOf(QStringLiteral("guide"));
        QTest::mouseClick(&view, Qt::LeftButton, {}, centreOf(view, at, 5));
        QCOMPARE(activated.size(), 1);
        QCOMPARE(activated.first().first().toString(), QStringLiteral("https://plenko.net/guide"));
    }

    void measuresItsHeight()
    {
        MentionTextView view;
        view.setFallbackWidth(300);
        view.updateContent(QStringLiteral("one line"), {});
        const int oneLine = view.measuredHeight();
        QVERIFY(oneLine > 2 * MentionTextView::verticalInset);
        view.updateContent(QStringLiteral("one\n\nthree"), {});
        QVERIFY(view.measuredHeight() > 2 * oneLine);
        QCOMPARE(view.sizeHint().height(), view.measuredHeight());
        QCOMPARE(view.heightForWidth(300), view.measuredHeight());
    }

    void popoverShowsAvatarImage()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        const QString path = folder.filePath(QStringLiteral("avatar.png"));
        QVERIFY(picture.save(path));

        BoardUser withAvatar = member(QStringLiteral("ada@plenko.net"), QStringLiteral("Ada Lovelace"));
        withAvatar.avatarUrl = QUrl::fromLocalFile(path).toString();
        MentionPopoverView view(withAvatar);
        QSignalSpy loaded(&view, &MentionPopoverView::avatarLoaded);
        QVERIFY(loaded.wait(5000));
        QVERIFY(view.showsAvatarImage());
        QVERIFY(!view.findChild<QLabel*>(QStringLiteral("avatar"))->pixmap().isNull());

        BoardUser broken = withAvatar;
        broken.avatarUrl = QUrl::fromLocalFile(folder.filePath(QStringLiteral("missing.png"))).toString();
        MentionPopoverView fallback(broken);
        QSignalSpy never(&fallback, &MentionPopoverView::avatarLoaded);
        QVERIFY(!never.wait(300));
        QCOMPARE(fallback.initials(), QStringLiteral("AL"));

        BoardUser unparsable = withAvatar;
        unparsable.avatarUrl = QStringLiteral("not a url");
        QCOMPARE(MentionPopoverView(unparsable).initials(), QStringLiteral("AL"));
    }

    void cheatsheetShowsEachSyntaxAndItsRendering_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("syntax");
        QTest::addColumn<QString>("rendered");
        QTest::newRow("bold") << "bold" << "Bold" << "**bold**" << "bold";
        QTest::newRow("italic") << "italic" << "Italic" << "*italic*" << "italic";
        QTest::newRow("link") << "link" << "Link" << "[name](link)" << "name";
        QTest::newRow("code") << "code" << "Highlight" << "`highlight`" << "highlight";
        QTest::newRow("strikethrough") << "strikethrough" << "Strike Through" << "~~strike~~" << "strike";
        QTest::newRow("list") << "list" << "List" << "- list" << "  - list";
    }

    void cheatsheetShowsEachSyntaxAndItsRendering()
    {
        QFETCH(QString, id);
        QFETCH(QString, title);
        QFETCH(QString, syntax);
        QFETCH(QString, rendered);
        MarkdownCheatsheetView sheet;
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QCOMPARE(sheet.width(), 320);
        const auto* syntaxLabel = sheet.findChild<QLabel*>(QStringLiteral("syntax-") + id);
        QVERIFY(syntaxLabel);
        QCOMPARE(syntaxLabel->text(), syntax);
        QCOMPARE(syntaxLabel->accessibleName(), title + QStringLiteral(" markdown syntax"));
        const MentionTextView* example = sheet.exampleView(id);
        QVERIFY(example);
        QCOMPARE(example->document()->toPlainText(), rendered);
        QCOMPARE(example->accessibleName(), title + QStringLiteral(" example"));
        QVERIFY(example->isVisible());
        QVERIFY(example->height() >= example->measuredHeight());
        QCOMPARE(sheet.findChildren<QFrame*>(QStringLiteral("divider")).size(), MarkdownCheatsheetView::entries().size() - 1);
        // The link example leads to a real address.
        QTextCursor cursor(const_cast<QTextDocument*>(example->document()));
        cursor.setPosition(1);
        QCOMPARE(cursor.charFormat().anchorHref().startsWith(QStringLiteral("https://")), id == QLatin1String("link"));
    }
};

QTEST_MAIN(RichTextViewsTest)

#include "RichTextViewsTest.moc"
