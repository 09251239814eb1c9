// Text from the network, the service and other members is shown as text in every view that shows
// it: hostile strings go through each view and come out exactly as they went in, with nothing read
// as markup and nothing loaded. Some strings point at a FIFO nobody writes to, so a view that read
// them as rich text would hang here instead of passing.
#include "plaintext/UntrustedText.h"

#include "ViewContextFor.h"
#include "WorkspaceFixture.h"
#include "app/ItemCardView.h"
#include "app/ItemListState.h"
#include "app/MainContentView.h"
#include "app/NotificationCenter.h"
#include "app/ToastView.h"
#include "app/ViewContext.h"
#include "richtext/LinkOpener.h"
#include "richtext/MentionPopoverView.h"
#include "session/NotificationRowView.h"
#include "workspace/ToastManager.h"
#include "workspace/settings/DangerConfirmationDialog.h"
#include "workspace/settings/MemberRow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <sys/stat.h>

namespace {
// Opens of any scheme land here instead of at the desktop.
class OpenedLinks : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

// Every label of the view that carries the text shows it as plain text and exactly; a label in rich
// text may carry it only escaped, and then its document reads back the text. Painting the view first
// makes any label that read the text as markup load what it names.
int labelsShowing(QWidget* view, const QString& text)
{
    view->grab();
    int showing = 0;
    for (QLabel* label : view->findChildren<QLabel*>()) {
        if (label->textFormat() == Qt::PlainText) {
            if (label->text().contains(text))
                ++showing;
            continue;
        }
        if (label->textFormat() == Qt::AutoText && !Qt::mightBeRichText(label->text())) {
            if (label->text().contains(text))
                ++showing;
            continue;
        }
        if (label->text().contains(text)) {
            qWarning("label %s reads the text as markup: %s", qPrintable(label->objectName()), qPrintable(label->text()));
            return -1;
        }
        QTextDocument document;
        document.setHtml(label->text());
        if (document.toPlainText().contains(text))
            ++showing;
    }
    return showing;
}

BoardUser memberNamed(const QString& name)
{
    BoardUser user;
    user.userId = QUuid::createUuid();
    user.email = QStringLiteral("member@example.test");
    user.displayName = name;
    return user;
}

} // namespace

class UntrustedTextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_folder.isValid());
        m_fifo = m_folder.filePath(QStringLiteral("fifo"));
        QVERIFY(mkfifo(QFile::encodeName(m_fifo).constData(), 0600) == 0);
    }

    void hostile_data()
    {
        QTest::addColumn<QString>("text");
        for (const auto& [name, text] : hostileTexts())
            QTest::newRow(name) << text;
    }

    void toast_data() { hostile_data(); }
    void toast()
    {
        QFETCH(QString, text);
        QWidget window;
        window.resize(600, 400);
        ToastManager toasts;
        ToastView view(toasts, &window);
        toasts.showError(text);
        QCOMPARE(view.message(), text);
        QCOMPARE(labelsShowing(&view, text), 1);
    }

    void mentionPopover_data() { hostile_data(); }
    void mentionPopover()
    {
        QFETCH(QString, text);
        MentionPopoverView view(memberNamed(text));
        QCOMPARE(labelsShowing(&view, text), 1);
    }

    void notificationRow_data() { hostile_data(); }
    void notificationRow()
    {
        QFETCH(QString, text);
        NotificationItem notification;
        notification.id = QUuid::createUuid();
        NotificationText shown;
        shown.headline = text;
        shown.sentence = { { text, true }, { QStringLiteral(" assigned you on "), false }, { text, true } };
        shown.content = text;
        NotificationRowView view(notification, shown);
        // Headline, content, and the sentence (rich text, escaped).
        QCOMPARE(labelsShowing(&view, text), 3);
    }

    void confirmationDialog_data() { hostile_data(); }
    void confirmationDialog()
    {
        QFETCH(QString, text);
        DangerConfirmationDialog dialog(
            { text, text, QStringLiteral("Delete"), DangerConfirmationDialog::destructiveColor(), [] {} });
        QCOMPARE(labelsShowing(&dialog, text), 2);
    }

    void memberRow_data() { hostile_data(); }
    void memberRow()
    {
        QFETCH(QString, text);
        MemberRow row(memberNamed(text), false, true);
        QCOMPARE(labelsShowing(&row, text), 1);
    }

    // `shown` is what the tool tip's document reads back: the text with each line ending as one "\n",
    // white space and control characters as given.
    void toolTip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        for (const auto& [name, text] : hostileTexts())
            QTest::newRow(name) << text << text;
        QTest::newRow("runs of spaces after a tag")
            << QStringLiteral("<b>a   b  ") << QStringLiteral("<b>a   b  ");
        QTest::newRow("tab then CR, NULs")
            << QStringLiteral("<b><\t\r") + QString(3, QChar(0)) + QStringLiteral("x</")
            << QStringLiteral("<b><\t\n") + QString(3, QChar(0)) + QStringLiteral("x</");
        QTest::newRow("blank lines") << QStringLiteral("<b>a\n\n\nb") << QStringLiteral("<b>a\n\n\nb");
        QTest::newRow("line breaks at both ends") << QStringLiteral("\n<i>x\n") << QStringLiteral("\n<i>x\n");
        QTest::newRow("CR LF and CR") << QStringLiteral("<b>a\r\nb\rc") << QStringLiteral("<b>a\nb\nc");
        QTest::newRow("markup on a later line") << QStringLiteral("<b>a\n  <img src='/dev/zero'>")
                                                << QStringLiteral("<b>a\n  <img src='/dev/zero'>");
    }
    void toolTip()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QTextDocument document;
        const QString tip = UntrustedText::toolTip(text);
        // A tool tip is read as rich text exactly when Qt::mightBeRichText says so.
        if (!Qt::mightBeRichText(tip)) {
            QCOMPARE(tip, text);
            return;
        }
        document.setHtml(tip);
        QCOMPARE(document.toPlainText(), shown);
    }

    void messageBox_data() { hostile_data(); }
    void messageBox()
    {
        QFETCH(QString, text);
        QMessageBox box;
        UntrustedText::setMessageBoxTexts(&box, text, text);
        QCOMPARE(box.text(), text);
        QCOMPARE(box.informativeText(), text);
        QCOMPARE(labelsShowing(&box, text), 2);
    }

    // Author and assignee on a card, and a board's name above its items.
    void cardAndBoardTitle_data() { hostile_data(); }
    void cardAndBoardTitle()
    {
        QFETCH(QString, text);
        WorkspaceClient client(nullptr, QString());
        QVERIFY2(client.isValid(), qPrintable(client.errorString()));
        const Board board = client.createSelectedBoard(text, StorageOption::local);
        NotificationCenter center;
        MainContentView main(contextFor(client, center));
        QCOMPARE(main.titleLabel()->text(), text);
        QCOMPARE(main.titleLabel()->textFormat(), Qt::PlainText);

        ItemListState state;
        ItemCardView card(contextFor(client, center), state);
        Item item = client.newItem(board, QStringLiteral("plain content"));
        item.author = text;
        card.setItem(item);
        card.trigger(ItemCardAction::toggleDetails);
        QCOMPARE(labelsShowing(&card, text), 1);
    }

    // Links open in the browser only for the web and mail; anything else asks first, with the
    // address shown as text.
    void linkSchemes_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("asks");
        QTest::newRow("https") << "https://example.org/a" << false;
        QTest::newRow("http") << "http://example.org/a" << false;
        QTest::newRow("mailto") << "mailto:someone@example.org" << false;
        QTest::newRow("file") << "file:///etc/passwd" << true;
        QTest::newRow("custom scheme") << "steam://run/1" << true;
        QTest::newRow("address with markup") << "x-app://open/<b>bold</b>" << true;
    }

    void linkSchemes()
    {
        QFETCH(QString, address);
        QFETCH(bool, asks);
        OpenedLinks links;
        const QUrl url(address);
        for (const QString& scheme : { url.scheme(), QStringLiteral("http") })
            QDesktopServices::setUrlHandler(scheme, &links, "open");
        auto unregister = qScopeGuard([&] { QDesktopServices::unsetUrlHandler(url.scheme()); });

        QCOMPARE(LinkOpener::opensWithoutAsking(url), !asks);
        bool asked = false;
        QTimer::singleShot(0, this, [&] {
            auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!question)
                return;
            asked = true;
            QCOMPARE(question->textFormat(), Qt::PlainText);
            QVERIFY(question->text().contains(url.toDisplayString()));
            question->reject();
        });
        const bool opened = LinkOpener::open(url, nullptr);
        QCOMPARE(asked, asks);
        QCOMPARE(opened, !asks);
        QCOMPARE(links.opened.size(), asks ? 0 : 1);
    }

private:
    QList<std::pair<const char*, QString>> hostileTexts() const
    {
        return {
            { "image at a fifo", QStringLiteral("<img src='%1'> hi").arg(m_fifo) },
            { "bold", QStringLiteral("<b>x</b>") },
            { "style import of /dev/zero", QStringLiteral("<style>@import url(/dev/zero)</style>z") },
            { "style sheet link at a fifo", QStringLiteral("<link rel=stylesheet href='%1'>s").arg(m_fifo) },
            { "background url", QStringLiteral("<p style='background:url(%1)'>p</p>").arg(m_fifo) },
            { "link to a file", QStringLiteral("<a href='file:///etc/passwd'>open</a>") },
            { "entities", QStringLiteral("&lt;b&gt; &amp; &#60;") },
            { "qt rich marker", QStringLiteral("<qt>rich</qt>") },
        };
    }

    QTemporaryDir m_folder;
    QString m_fifo;
};

QTEST_MAIN(UntrustedTextTest)
#include "UntrustedTextTest.moc"
