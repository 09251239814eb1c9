#include "richtext/MarkdownTextEditor.h"

#include "richtext/ColonEmojiTrigger.h"
#include "richtext/EditorColors.h"
#include "richtext/EmojiPalette.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QTextBlock>

namespace {

bool isReturn(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

bool isSubmitChord(const QKeyEvent& key)
{
    return isReturn(key) && (key.modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
}

} // namespace

MarkdownTextEditor::MarkdownTextEditor(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("markdownTextEditor"));
    setFrameShape(QFrame::NoFrame);
    setBackgroundVisible(false);
    viewport()->setAutoFillBackground(false);
    setUndoRedoEnabled(true);
    setTabChangesFocus(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    applyTypingAttributes();

    connect(this, &QPlainTextEdit::textChanged, this, &MarkdownTextEditor::onTextChanged);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (m_suppressSelectionUpdates)
            return;
        ensureCursorVisible();
        Q_EMIT caretMoved(caret());
    });
}

void MarkdownTextEditor::applyTypingAttributes()
{
    QFont font = this->font();
    font.setPixelSize(15);
    font.setWeight(QFont::Normal);
    setFont(font);
    QPalette colors = palette();
    colors.setColor(QPalette::Text, EditorColors::primaryText(colors));
    colors.setColor(QPalette::PlaceholderText, EditorColors::secondaryLabel(colors));
    colors.setColor(QPalette::Base, Qt::transparent);
    setPalette(colors);
}

void MarkdownTextEditor::setShowsVerticalScroller(bool shows)
{
    setVerticalScrollBarPolicy(shows ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void MarkdownTextEditor::setGrowsWithText(bool grows)
{
    m_growsWithText = grows;
    setSizePolicy(QSizePolicy::Expanding, grows ? QSizePolicy::Fixed : QSizePolicy::Expanding);
    updateGeometry();
}

void MarkdownTextEditor::setCaret(qsizetype position)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(static_cast<int>(std::clamp<qsizetype>(position, 0, toPlainText().size())));
    setTextCursor(cursor);
}

void MarkdownTextEditor::replaceText(const QString& text)
{
    const QString current = toPlainText();
    if (current == text)
        return;
    qsizetype prefix = 0;
    const qsizetype shorter = std::min(current.size(), text.size());
    while (prefix < shorter && current[prefix] == text[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && current[current.size() - 1 - suffix] == text[text.size() - 1 - suffix])
        ++suffix;

    const qsizetype oldCaret = caret();
    const qsizetype oldEnd = current.size() - suffix;
    const qsizetype newEnd = text.size() - suffix;
    qsizetype newCaret = oldCaret;
    if (oldCaret >= oldEnd)
        newCaret = oldCaret + (newEnd - oldEnd);
    else if (oldCaret > prefix)
        newCaret = newEnd;

    m_isWritingOwnText = true;
    m_suppressSelectionUpdates = true;
    QTextCursor cursor(document());
    cursor.setPosition(static_cast<int>(prefix));
    cursor.setPosition(static_cast<int>(oldEnd), QTextCursor::KeepAnchor);
    cursor.insertText(text.mid(prefix, newEnd - prefix));
    m_isWritingOwnText = false;
    setCaret(newCaret);
    m_suppressSelectionUpdates = false;
    Q_EMIT caretMoved(caret());
    updateGeometry();
}

void MarkdownTextEditor::insertAtCaret(const QString& text)
{
    textCursor().insertText(text);
}

EmojiPalette* MarkdownTextEditor::emojiPalette() const
{
    return m_palette.data();
}

void MarkdownTextEditor::setContentInsets(const QMargins& insets)
{
    setViewportMargins(insets);
    updateGeometry();
}

void MarkdownTextEditor::openEmojiPalette()
{
    if (!m_palette) {
        m_palette = new EmojiPalette(this);
        connect(m_palette, &EmojiPalette::emojiPicked, this, [this](const QString& emoji) {
            setFocus(Qt::PopupFocusReason);
            insertAtCaret(emoji);
        });
    }
    m_palette->popup(mapToGlobal(cursorRect().bottomLeft() + QPoint(0, 4)));
}

void MarkdownTextEditor::onTextChanged()
{
    if (m_isWritingOwnText)
        return;
    if (m_isReplacingEmoji)
        m_isReplacingEmoji = false; // this change is our own colon removal
    else if (replaceColonWithEmoji())
        return;
    Q_EMIT textEdited(toPlainText());
    ensureCursorVisible();
    updateGeometry();
    if (m_enableEmojiShortcuts)
        checkColonTrigger();
}

bool MarkdownTextEditor::replaceColonWithEmoji()
{
    const std::optional<qsizetype> colon = std::exchange(m_lastColonTriggerLocation, std::nullopt);
    if (!colon)
        return false;
    const auto replacement = ColonEmojiTrigger::replaceColon(toPlainText(), caret(), *colon);
    if (!replacement)
        return false;
    m_isReplacingEmoji = true;
    // Removing the colon moves the caret back by one (to max(caret - 1, colon)) by itself; setting
    // it afterwards would undo whatever the host wrote during the change notification.
    QTextCursor cursor(document());
    cursor.setPosition(static_cast<int>(*colon));
    cursor.setPosition(static_cast<int>(*colon + 1), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    return true;
}

void MarkdownTextEditor::checkColonTrigger()
{
    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        return;
    const auto location = ColonEmojiTrigger::triggerLocation(toPlainText(), cursor.position());
    if (!location)
        return;
    m_lastColonTriggerLocation = location;
    Q_EMIT emojiPaletteRequested();
    openEmojiPalette();
}

bool MarkdownTextEditor::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (m_keyInterceptor && m_keyInterceptor(key, false)) {
            event->accept();
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

void MarkdownTextEditor::keyPressEvent(QKeyEvent* event)
{
    if (m_keyInterceptor && m_keyInterceptor(*event, true)) {
        event->accept();
        return;
    }
    if (isSubmitChord(*event)) {
        // Submitting belongs to the host's shortcut; never a newline.
        event->ignore();
        return;
    }
    if (isReturn(*event) && !(event->modifiers() & Qt::ShiftModifier) && m_onInsertNewline && m_onInsertNewline()) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void MarkdownTextEditor::focusInEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusInEvent(event);
    Q_EMIT focusChanged(true);
}

void MarkdownTextEditor::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    Q_EMIT focusChanged(false);
}

void MarkdownTextEditor::changeEvent(QEvent* event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !m_isApplyingAttributes) {
        // Follow light and dark: re-derive the text colours from the new palette once.
        m_isApplyingAttributes = true;
        applyTypingAttributes();
        m_isApplyingAttributes = false;
    }
}

int MarkdownTextEditor::contentHeight() const
{
    // The plain-text layout measures its height in lines.
    const qreal lines = std::max<qreal>(document()->documentLayout()->documentSize().height(), 1.0);
    const QMargins margins = viewportMargins();
    return static_cast<int>(lines * fontMetrics().lineSpacing() + 2 * document()->documentMargin()
                            + margins.top() + margins.bottom() + 2 * frameWidth());
}

QSize MarkdownTextEditor::sizeHint() const
{
    const QSize base = QPlainTextEdit::sizeHint();
    if (!m_growsWithText)
        return base;
    return { base.width(), std::max(contentHeight(), minimumSizeHint().height()) };
}

QSize MarkdownTextEditor::minimumSizeHint() const
{
    return { 80, fontMetrics().lineSpacing() * 2 + static_cast<int>(2 * document()->documentMargin()) };
}
