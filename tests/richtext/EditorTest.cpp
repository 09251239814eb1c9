// The item editor driven through real key events on the offscreen platform: counter, typographic
// replacements, the colon emoji shortcut, the leading-emoji guard, mention completion, link labels,
// submitting and cancelling, and the composer and emoji button around it.
#include "PageServer.h"
#include "RichTextTestSupport.h"

#include "richtext/EditorColors.h"
#include "richtext/EditorView.h"
#include "richtext/EmojiCatalog.h"
#include "richtext/EmojiPalette.h"
#include "richtext/EmojiSelectionButton.h"
#include "richtext/FloatingNewItemComposer.h"
#include "richtext/LinkLabeler.h"
#include "richtext/LinkMetadataService.h"
#include "richtext/MarkdownCheatsheetView.h"
#include "richtext/MarkdownTextEditor.h"
#include "richtext/MentionSuggestionList.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

using richtexttest::member;

namespace {

// A shown, active editor with the keyboard in its text view.
struct OpenEditor
{
    LinkMetadataService links;
    EditorView view { nullptr, &links };

    OpenEditor()
    {
        view.resize(480, 200);
        view.show();
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        view.focusEditor();
        QTRY_VERIFY(view.isEditorFocused());
    }

    MarkdownTextEditor* editor() const { return view.textEditor(); }
    QString shown() const { return editor()->toPlainText(); }
    void type(const QString& keys) { QTest::keyClicks(editor(), keys); }
    QLabel* counter() const { return view.findChild<QLabel*>(QStringLiteral("characterCounter")); }
    MentionSuggestionList* suggestions() const
    {
        return view.findChild<MentionSuggestionList*>(QStringLiteral("mentionSuggestions"));
    }
};

QStringList handles(const QList<BoardUser>& users)
{
    QStringList result;
    for (const BoardUser& user : users)
        result.append(user.mentionHandle());
    return result;
}

} // namespace

class EditorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void counterAndSubmitLimit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QString>("tone");
        QTest::addColumn<bool>("canSubmit");

        QTest::newRow("254 of 300") << QString(254, QLatin1Char('a')) << "46 characters remaining" << "normal" << true;
        QTest::newRow("255 of 300 turns orange") << QString(255, QLatin1Char('a')) << "45 characters remaining" << "orange" << true;
        QTest::newRow("300 of 300") << QString(300, QLatin1Char('a')) << "0 characters remaining" << "orange" << true;
        QTest::newRow("301 of 300 turns red") << QString(301, QLatin1Char('a')) << "-1 characters remaining" << "red" << false;
        QTest::newRow("emoji count once") << QString(QStringLiteral("👩🏽‍💻")).repeated(300) << "0 characters remaining" << "orange" << true;
    }

    void counterAndSubmitLimit()
    {
        QFETCH(QString, text);
        QFETCH(QString, counter);
        QFETCH(QString, tone);
        QFETCH(bool, canSubmit);

        OpenEditor open;
        if (text.endsWith(QLatin1Char('a'))) {
            // The last character is typed, so the counter follows real input.
            open.view.setText(text.chopped(1));
            open.editor()->moveCursor(QTextCursor::End);
            open.type(QStringLiteral("a"));
        } else {
            open.view.setText(text);
        }
        QCOMPARE(open.view.text(), text);

        QCOMPARE(open.counter()->text(), counter);
        const QPalette palette = open.view.palette();
        const QColor expected = tone == QLatin1String("red")      ? EditorColors::systemRed(palette)
            : tone == QLatin1String("orange")                     ? EditorColors::systemOrange(palette)
                                                                  : EditorColors::secondaryLabel(palette);
        QCOMPARE(open.counter()->palette().color(QPalette::WindowText), expected);
        QCOMPARE(open.view.canSubmit(), canSubmit);
        QCOMPARE(open.view.findChild<QPushButton*>(QStringLiteral("primaryButton"))->isEnabled(), canSubmit);
    }

    void typographicReplacements_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");

        QTest::newRow("hyphen then arrow") << "-->" << "-→";
        QTest::newRow("arrow") << "a -> b" << "a → b";
        QTest::newRow("left arrow") << "<-" << "←";
        QTest::newRow("double arrow") << "=>" << "⇒";
        QTest::newRow("less or equal is always a left double arrow") << "x <= y" << "x ⇐ y";
        QTest::newRow("em dash") << "a---b" << "a—b";
        QTest::newRow("en dash") << "1--2" << "1–2";
        QTest::newRow("en dash before a space") << "a-- " << "a– ";
        QTest::newRow("ellipsis") << "wait..." << "wait…";
        QTest::newRow("copyright") << "(c) 2025" << "© 2025";
        QTest::newRow("registered") << "(r)" << "®";
        QTest::newRow("trade mark") << "Brand(tm)" << "Brand™";
        QTest::newRow("quarter") << "1/4 cup" << "¼ cup";
        QTest::newRow("three quarters") << "3/4 " << "¾ ";
        QTest::newRow("fraction at the caret waits") << "a 1/4" << "a 1/4";
        QTest::newRow("date keeps its slashes") << "due 11/4/2024 " << "due 11/4/2024 ";
        QTest::newRow("short date") << "1/4/25 " << "1/4/25 ";
        QTest::newRow("longer number") << "21/4 and 3/45 " << "21/4 and 3/45 ";
        QTest::newRow("plus minus") << "+-5" << "±5";
        QTest::newRow("not equal") << "a != b" << "a ≠ b";
        QTest::newRow("greater or equal") << "a >= b" << "a ≥ b";
        QTest::newRow("addresses keep their characters") << "see https://x.invalid/a--b...c" << "see https://x.invalid/a--b...c";
    }

    void typographicReplacements()
    {
        QFETCH(QString, typed);
        QFETCH(QString, text);

        OpenEditor open;
        open.type(typed);
        // An address still being typed is not looked up letter by letter.
        QVERIFY(open.view.linkLabeler()->observedLinks().isEmpty());
        QCOMPARE(open.view.text(), text);
        // "©" counts as an emoji, so a text that starts with it is shown behind the guard.
        const QString guard = text.startsWith(QChar(0x00A9)) || text.startsWith(QChar(0x00AE)) ? QStringLiteral("\u200B") : QString();
        QCOMPARE(open.shown(), guard + text);
        QCOMPARE(open.editor()->caret(), guard.size() + text.size());
    }

    void colonOpensPalette_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("caret");
        QTest::addColumn<bool>("opens");

        QTest::newRow("empty text") << "" << 0 << true;
        QTest::newRow("after a space at the end") << "note " << 5 << true;
        QTest::newRow("between spaces") << "a  b" << 2 << true;
        QTest::newRow("after a letter") << "note" << 4 << false;
        QTest::newRow("before a letter") << "a b" << 2 << false;
        QTest::newRow("after a newline") << "line\n" << 5 << true;
    }

    void colonOpensPalette()
    {
        QFETCH(QString, before);
        QFETCH(int, caret);
        QFETCH(bool, opens);

        OpenEditor open;
        open.view.setText(before);
        open.editor()->setCaret(caret);
        QSignalSpy requested(open.editor(), &MarkdownTextEditor::emojiPaletteRequested);
        open.type(QStringLiteral(":"));
        QCOMPARE(requested.size(), opens ? 1 : 0);
        EmojiPalette* palette = open.editor()->emojiPalette();
        QCOMPARE(palette != nullptr && palette->isVisible(), opens);
        if (palette)
            palette->hide();

        // With the shortcut off, a lone colon is just a colon.
        open.view.setAllowsColonEmojiPicker(false);
        open.type(QStringLiteral(" :"));
        QCOMPARE(requested.size(), opens ? 1 : 0);
    }

    void pickAfterColon_data()
    {
        QTest::addColumn<QString>("picked");
        QTest::addColumn<QString>("text");

        QTest::newRow("emoji replaces the colon") << "🎉" << "party 🎉 now";
        QTest::newRow("emoji with skin tone") << "👍🏽" << "party 👍🏽 now";
        QTest::newRow("text-style emoji") << "☺️" << "party ☺️ now";
        QTest::newRow("a letter keeps the colon") << "x" << "party :x now";
        QTest::newRow("a digit keeps the colon") << "1" << "party :1 now";
    }

    void pickAfterColon()
    {
        QFETCH(QString, picked);
        QFETCH(QString, text);

        OpenEditor open;
        open.view.setText(QStringLiteral("party  now"));
        open.editor()->setCaret(6);
        open.type(QStringLiteral(":"));
        EmojiPalette* palette = open.editor()->emojiPalette();
        QVERIFY(palette && palette->isVisible());
        palette->pick(picked);

        QVERIFY(!palette->isVisible());
        QCOMPARE(open.view.text(), text);
        QCOMPARE(open.editor()->caret(), text.indexOf(QStringLiteral(" now")));
        QVERIFY(!open.editor()->lastColonTriggerLocation());
    }

    void leadingEmojiNeverReachesText()
    {
        OpenEditor open;
        QSignalSpy changes(&open.view, &EditorView::textChanged);
        QSignalSpy submitted(&open.view, &EditorView::submitted);

        // An emoji picked into an empty editor: the view gets the guard, the text does not.
        open.type(QStringLiteral(":"));
        open.editor()->emojiPalette()->pick(QStringLiteral("🎉"));
        QCOMPARE(open.view.text(), QStringLiteral("🎉"));
        QCOMPARE(open.shown(), QString(QChar(0x200B)) + QStringLiteral("🎉"));
        open.type(QStringLiteral(" launch"));
        QCOMPARE(open.view.text(), QStringLiteral("🎉 launch"));

        // Typing in front of the guard does not carry it into the text either.
        open.editor()->setCaret(0);
        open.type(QStringLiteral("a"));
        QVERIFY(!open.view.text().contains(QChar(0x200B)));
        QCOMPARE(open.view.text(), QStringLiteral("a🎉 launch"));

        open.view.setText(QStringLiteral("🚀 go"));
        QCOMPARE(open.shown(), QString(QChar(0x200B)) + QStringLiteral("🚀 go"));
        QTest::keyClick(open.editor(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(submitted.size(), 1);
        QCOMPARE(submitted.at(0).at(0).toString(), QStringLiteral("🚀 go"));
        for (const QList<QVariant>& change : changes)
            QVERIFY(!change.at(0).toString().contains(QChar(0x200B)));
    }

    void submitAndCancelKeys()
    {
        OpenEditor open;
        QSignalSpy submitted(&open.view, &EditorView::submitted);
        QSignalSpy cancelled(&open.view, &EditorView::cancelled);

        open.type(QStringLiteral("  Buy milk  "));
        QTest::keyClick(open.editor(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(submitted.size(), 1);
        QCOMPARE(submitted.at(0).at(0).toString(), QStringLiteral("Buy milk"));
        QVERIFY(!open.view.text().contains(QLatin1Char('\n')));

        QTest::keyClick(open.editor(), Qt::Key_Escape);
        QCOMPARE(cancelled.size(), 1);

        // Without a cancel button Escape does nothing.
        open.view.setShowsCancelButton(false);
        QTest::keyClick(open.editor(), Qt::Key_Escape);
        QCOMPARE(cancelled.size(), 1);

        // While the host is still saving, a second submit is ignored and the button shows progress.
        open.view.setPrimaryActionInFlight(true);
        QTest::keyClick(open.editor(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(submitted.size(), 1);
        auto* primary = open.view.findChild<QPushButton*>(QStringLiteral("primaryButton"));
        QVERIFY(!primary->isEnabled());
        QVERIFY(primary->findChild<QWidget*>(QStringLiteral("busyIndicator"))->isVisible());
        open.view.setPrimaryActionInFlight(false);
        QTest::mouseClick(primary, Qt::LeftButton);
        QCOMPARE(submitted.size(), 2);
    }

    void submitRules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("allowsEmpty");
        QTest::addColumn<int>("maxCharacters");
        QTest::addColumn<std::optional<QString>>("submitted");

        QTest::newRow("blank is refused") << " \n\t " << false << 300 << std::optional<QString>();
        QTest::newRow("blank allowed") << " \n " << true << 300 << std::optional(QString());
        QTest::newRow("trimmed") << "\n  ship it \n" << false << 300 << std::optional(QStringLiteral("ship it"));
        QTest::newRow("over the limit") << QString(201, QLatin1Char('f')) << true << 200 << std::optional<QString>();
        QTest::newRow("at the limit") << QString(200, QLatin1Char('f')) << false << 200
                                      << std::optional(QString(200, QLatin1Char('f')));
    }

    void submitRules()
    {
        QFETCH(QString, text);
        QFETCH(bool, allowsEmpty);
        QFETCH(int, maxCharacters);
        QFETCH(std::optional<QString>, submitted);

        OpenEditor open;
        open.view.setAllowsEmptySubmission(allowsEmpty);
        open.view.setMaxCharacters(maxCharacters);
        open.view.setText(text);
        QSignalSpy spy(&open.view, &EditorView::submitted);
        QTest::keyClick(open.editor(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(spy.size(), submitted ? 1 : 0);
        if (submitted)
            QCOMPARE(spy.at(0).at(0).toString(), *submitted);
    }

    void returnGoesToHostFirst()
    {
        OpenEditor open;
        open.type(QStringLiteral("one"));
        QTest::keyClick(open.editor(), Qt::Key_Return);
        QCOMPARE(open.view.text(), QStringLiteral("one\n"));

        int asked = 0;
        bool handles = true;
        open.editor()->setOnInsertNewline([&asked, &handles] {
            ++asked;
            return handles;
        });
        QTest::keyClick(open.editor(), Qt::Key_Return);
        QCOMPARE(asked, 1);
        QCOMPARE(open.view.text(), QStringLiteral("one\n"));
        handles = false;
        QTest::keyClick(open.editor(), Qt::Key_Return);
        QCOMPARE(asked, 2);
        QCOMPARE(open.view.text(), QStringLiteral("one\n\n"));
    }

    void saveRequestOnlyForFocusedEditor()
    {
        OpenEditor open;
        open.type(QStringLiteral("Draft"));
        QSignalSpy submitted(&open.view, &EditorView::submitted);

        open.view.requestSave();
        QCOMPARE(submitted.size(), 1);

        QPushButton elsewhere(QStringLiteral("elsewhere"));
        elsewhere.show();
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
        QTRY_VERIFY(!open.view.isEditorFocused());
        open.view.requestSave();
        QCOMPARE(submitted.size(), 1);
    }

    void emojiAndCheatsheetButtons()
    {
        OpenEditor open;
        open.type(QStringLiteral("Tea "));
        auto* emojiButton = open.view.findChild<QToolButton*>(QStringLiteral("emojiButton"));
        QCOMPARE(emojiButton->toolTip(), QStringLiteral("Insert emoji…"));
        QCOMPARE(emojiButton->accessibleName(), QStringLiteral("Insert emoji"));
        QTest::mouseClick(emojiButton, Qt::LeftButton);
        QVERIFY(open.editor()->emojiPalette()->isVisible());
        open.editor()->emojiPalette()->searchField()->setText(QStringLiteral("hot beverage"));
        QTest::keyClick(open.editor()->emojiPalette()->searchField(), Qt::Key_Return);
        QCOMPARE(open.view.text(), QStringLiteral("Tea ☕"));

        auto* helpButton = open.view.findChild<QToolButton*>(QStringLiteral("markdownHelpButton"));
        QCOMPARE(helpButton->toolTip(), QStringLiteral("Show Markdown cheatsheet"));
        // Without a host's own sheet the editor shows the library's cheat sheet.
        {
            EditorView plain;
            plain.show();
            auto* plainHelp = plain.findChild<QToolButton*>(QStringLiteral("markdownHelpButton"));
            QTest::mouseClick(plainHelp, Qt::LeftButton);
            QVERIFY(plain.isShowingMarkdownCheatsheet());
            QVERIFY(plain.findChild<MarkdownCheatsheetView*>());
        }
        open.view.setMarkdownCheatsheetFactory([](QWidget* parent) {
            auto* sheet = new QLabel(QStringLiteral("**bold**"), parent);
            sheet->setObjectName(QStringLiteral("sheet"));
            return sheet;
        });
        QTest::mouseClick(helpButton, Qt::LeftButton);
        QVERIFY(open.view.isShowingMarkdownCheatsheet());
        auto* sheet = open.view.findChild<QLabel*>(QStringLiteral("sheet"));
        QVERIFY(sheet && sheet->isVisible());
        QTest::mouseClick(helpButton, Qt::LeftButton);
        QVERIFY(!open.view.isShowingMarkdownCheatsheet());
        QVERIFY(!sheet->isVisible());

        open.view.setShowsEmojiPicker(false);
        open.view.setShowsMarkdownHelpButton(false);
        QVERIFY(!emojiButton->isVisible() && !helpButton->isVisible());
    }

    void wideEditorKeepsButtonsAtTheirSize()
    {
        OpenEditor open;
        open.view.resize(1000, 200);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        for (const QString& name : { QStringLiteral("primaryButton"), QStringLiteral("cancelButton") }) {
            auto* button = open.view.findChild<QPushButton*>(name);
            QVERIFY(button);
            QVERIFY2(button->width() <= button->sizeHint().width() + 8,
                qPrintable(QStringLiteral("%1 is %2 px wide").arg(name).arg(button->width())));
        }
    }

    void placeholderAndTitle_data()
    {
        QTest::addColumn<EditorMode>("mode");
        QTest::addColumn<std::optional<QString>>("customPlaceholder");
        QTest::addColumn<QString>("placeholder");
        QTest::addColumn<QString>("title");

        QTest::newRow("create") << EditorMode::create() << std::optional<QString>() << "Write a new item…" << "Save";
        QTest::newRow("edit") << EditorMode::edit() << std::optional<QString>() << "Update the item…" << "Save";
        QTest::newRow("custom") << EditorMode::custom(QStringLiteral("Send Feedback"), QStringLiteral("Tell us what's on your mind…"))
                                << std::optional<QString>() << "Tell us what's on your mind…" << "Send Feedback";
        QTest::newRow("host placeholder wins") << EditorMode::edit() << std::optional(QStringLiteral("Describe the board"))
                                               << "Describe the board" << "Save";
    }

    void placeholderAndTitle()
    {
        QFETCH(EditorMode, mode);
        QFETCH(std::optional<QString>, customPlaceholder);
        QFETCH(QString, placeholder);
        QFETCH(QString, title);

        EditorView view(nullptr, nullptr);
        view.setMode(mode);
        view.setCustomPlaceholder(customPlaceholder);
        QCOMPARE(view.textEditor()->placeholderText(), placeholder);
        QCOMPARE(view.findChild<QPushButton*>(QStringLiteral("primaryButton"))->text(), title);
        QCOMPARE(view.findChild<QPushButton*>(QStringLiteral("cancelButton"))->toolTip(), QStringLiteral("Cancel (Esc)"));
    }

    void mentionSuggestions_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("listed");

        QTest::newRow("bare @ lists everyone") << "ping @" << QStringList { "ann.lee", "bob", "cy" };
        QTest::newRow("display name") << "ping @lee" << QStringList { "ann.lee" };
        QTest::newRow("no case") << "@BO" << QStringList { "bob" };
        QTest::newRow("e-mail domain") << "@studio" << QStringList { "cy" };
        QTest::newRow("after punctuation") << "(@cy" << QStringList { "cy" };
        QTest::newRow("inside a word is no mention") << "mail@bo" << QStringList {};
        QTest::newRow("nobody matches") << "@zed" << QStringList {};
    }

    void mentionSuggestions()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, listed);

        OpenEditor open;
        open.view.setMentionCandidates({ member(QStringLiteral("ann.lee@example.com"), QStringLiteral("  Ann Lee ")),
                                         member(QStringLiteral("bob@example.com")),
                                         member(QStringLiteral("cy@studio.example"), QStringLiteral("")) });
        open.type(typed);
        QCOMPARE(handles(open.suggestions()->suggestions()), listed);
        QCOMPARE(open.suggestions()->isVisible(), !listed.isEmpty());
    }

    void mentionCompletionInsertsHandle()
    {
        OpenEditor open;
        const BoardUser ann = member(QStringLiteral("ann.lee@example.com"), QStringLiteral("Ann Lee"));
        const BoardUser bob = member(QStringLiteral("bob@example.com"));
        open.view.setMentionCandidates({ ann, bob });

        open.type(QStringLiteral("ask @"));
        QVERIFY(open.view.mentionState());
        QCOMPARE(open.view.mentionState()->range.location, 4);
        QTest::keyClick(open.editor(), Qt::Key_Down);
        QTest::keyClick(open.editor(), Qt::Key_Return);
        QCOMPARE(open.view.text(), QStringLiteral("ask @bob"));
        QCOMPARE(open.editor()->caret(), 8);
        QVERIFY(!open.view.mentionState());
        QVERIFY(!open.suggestions()->isVisible());
        QCOMPARE(open.view.completedMention()->value, QStringLiteral("@bob"));

        open.type(QStringLiteral(" -> @ann"));
        QVERIFY(open.suggestions()->isVisible());
        QTest::mouseClick(open.suggestions()->viewport(), Qt::LeftButton, {},
                          open.suggestions()->visualItemRect(open.suggestions()->item(0)).center());
        QCOMPARE(open.view.text(), QStringLiteral("ask @bob → @ann.lee"));
        QCOMPARE(open.editor()->caret(), open.view.text().size());

        // Escape closes the list before it would cancel the editor.
        QSignalSpy cancelled(&open.view, &EditorView::cancelled);
        open.type(QStringLiteral(" @"));
        QVERIFY(open.suggestions()->isVisible());
        QTest::keyClick(open.editor(), Qt::Key_Escape);
        QVERIFY(!open.suggestions()->isVisible());
        QCOMPARE(cancelled.size(), 0);

        // Without members an @ starts nothing, and Return is a new line.
        open.view.setMentionCandidates({});
        open.type(QStringLiteral(" hello @"));
        QVERIFY(!open.view.mentionState());
        QVERIFY(!open.suggestions()->isVisible());
        QTest::keyClick(open.editor(), Qt::Key_Return);
        QVERIFY(open.view.text().endsWith(QStringLiteral(" hello @\n")));
    }

    void pastedAddressBecomesTitledLink()
    {
        PageServer server;
        server.addPage(QStringLiteral("/article"), 200, fixturePage(QStringLiteral("article.html")));
        OpenEditor open;
        const QString address = server.url(QStringLiteral("/article")).toString();

        // Typed by hand, the address waits while the caret is at its end.
        open.type(QStringLiteral("Read ") + address);
        QTest::qWait(100);
        QCOMPARE(server.requestCount(QStringLiteral("/article")), 0);
        QVERIFY(open.view.linkLabeler()->observedLinks().isEmpty());
        open.type(QStringLiteral(" today"));
        const QString labelled = "Read [Fish & Chips: a \"short\" history — Harbour Weekly](" + address + ") today";
        QTRY_COMPARE(open.view.text(), labelled);
        QCOMPARE(open.shown(), labelled);
        QVERIFY(open.view.linkLabeler()->inFlightLinks().isEmpty());

        // Pasted, it is complete at once; the same address again is not fetched again.
        open.editor()->moveCursor(QTextCursor::End);
        open.editor()->insertAtCaret(QLatin1Char(' ') + address);
        QTest::qWait(200);
        QCOMPARE(server.requestCount(QStringLiteral("/article")), 1);
        QCOMPARE(open.view.text(), labelled + QLatin1Char(' ') + address);
    }

    // Opening an item for editing takes its text as it is: no replacement, no label, no fetch of an
    // address another member wrote, even when the caret moves through it. Typing rewrites only what is
    // typed.
    void openingChangesNothing()
    {
        PageServer server;
        server.addPage(QStringLiteral("/internal"), 200, fixturePage(QStringLiteral("article.html")));
        const QString stored = "1/4 cup -> " + server.url(QStringLiteral("/internal")).toString() + " (c) 11/4/2024";

        OpenEditor open;
        QSignalSpy changes(&open.view, &EditorView::textChanged);
        open.view.setText(stored);
        QCOMPARE(open.view.text(), stored);
        QCOMPARE(open.shown(), stored);
        for (const int position : { 0, 12, 20, static_cast<int>(stored.size()) })
            open.editor()->setCaret(position);
        QTest::qWait(200);
        QCOMPARE(server.requestCount(QStringLiteral("/internal")), 0);
        QCOMPARE(open.view.text(), stored);
        const qsizetype changesOnOpen = changes.size();

        open.editor()->moveCursor(QTextCursor::End);
        open.type(QStringLiteral(" ok..."));
        QCOMPARE(open.view.text(), stored + QStringLiteral(" ok…"));
        QVERIFY(changes.size() > changesOnOpen);
        QTest::qWait(200);
        QCOMPARE(server.requestCount(QStringLiteral("/internal")), 0);
    }

    void composerButtonAndEditor()
    {
        LinkMetadataService links;
        FloatingNewItemComposer composer(nullptr, &links);
        composer.setBoardUsers({ member(QStringLiteral("ann@example.com")) });
        composer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&composer));
        QSignalSpy begun(&composer, &FloatingNewItemComposer::begin);

        QToolButton* add = composer.addButton();
        QVERIFY(add->isVisible());
        QCOMPARE(add->toolTip(), QStringLiteral("Add new item (Ctrl+N)"));
        QCOMPARE(add->accessibleName(), QStringLiteral("Add new item"));
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(begun.size(), 1);

        composer.setAddingEnabled(false);
        QCOMPARE(add->toolTip(), QStringLiteral("Board is archived"));
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(begun.size(), 1);

        composer.setAddingEnabled(true);
        composer.setComposerVisible(true);
        QVERIFY(!add->isVisible());
        QVERIFY(composer.editor()->isVisible());
        QCOMPARE(composer.editor()->mode(), EditorMode::create());
        QCOMPARE(composer.editor()->presentation(), EditorPresentation::floating);
        QCOMPARE(composer.editor()->maxCharacters(), 300);

        QSignalSpy submitted(&composer, &FloatingNewItemComposer::submitted);
        composer.setDraft(QStringLiteral("New card"));
        composer.editor()->submit();
        QCOMPARE(submitted.size(), 1);
        QCOMPARE(submitted.at(0).at(0).toString(), QStringLiteral("New card"));
    }

    void emojiSelectionButton()
    {
        EmojiSelectionButton button(40);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QSignalSpy changed(&button, &EmojiSelectionButton::emojiChanged);
        QVERIFY(!button.clearButton()->isVisible());
        QCOMPARE(button.faceButton()->font().pixelSize(), 20);

        QTest::mouseClick(button.faceButton(), Qt::LeftButton);
        QVERIFY(button.emojiPalette() && button.emojiPalette()->isVisible());
        button.emojiPalette()->searchField()->setText(QStringLiteral("rocket"));
        QTest::keyClick(button.emojiPalette()->searchField(), Qt::Key_Return);
        QCOMPARE(button.emoji(), std::optional(QStringLiteral("🚀")));
        QCOMPARE(button.faceButton()->text(), QStringLiteral("🚀"));
        QCOMPARE(button.faceButton()->font().pixelSize(), 24);
        QVERIFY(button.clearButton()->isVisible());
        QCOMPARE(button.clearButton()->toolTip(), QStringLiteral("Clear emoji"));

        QTest::mouseClick(button.clearButton(), Qt::LeftButton);
        QCOMPARE(button.emoji(), std::optional<QString>());
        QVERIFY(!button.clearButton()->isVisible());
        QCOMPARE(changed.size(), 2);

        int taps = 0;
        button.setOnTap([&taps] { ++taps; });
        QTest::mouseClick(button.faceButton(), Qt::LeftButton);
        QCOMPARE(taps, 1);
    }

    void emojiCatalogSearch()
    {
        QVERIFY(EmojiCatalog::all().size() > 1000);
        QCOMPARE(EmojiCatalog::all().first().emoji, QStringLiteral("😀"));
        const QList<EmojiEntry> hearts = EmojiCatalog::search(QStringLiteral("green HEART"));
        QVERIFY(!hearts.isEmpty());
        for (const EmojiEntry& entry : hearts)
            QVERIFY(entry.name.contains(QStringLiteral("green")) && entry.name.contains(QStringLiteral("heart")));
        QVERIFY(EmojiCatalog::search(QStringLiteral("no such emoji anywhere")).isEmpty());
    }
};

QTEST_MAIN(EditorTest)
#include "EditorTest.moc"
