// The multi-line plain-text view in which item markdown is written. It reports the user's edits
// and caret moves, hands Return to its host first, and runs the colon emoji shortcut: a lone ":"
// opens the emoji palette, and a pick right after that colon replaces the colon.
#pragma once

#include <QPlainTextEdit>
#include <QPointer>

#include <functional>
#include <optional>

class EmojiPalette;

class MarkdownTextEditor : public QPlainTextEdit
{
    Q_OBJECT

public:
    // Returns true when the host handled Return, so no newline is inserted.
    using InsertNewlineHandler = std::function<bool()>;
    // Asked for keys the host may want before the text view (suggestion navigation). With
    // `perform` false it only answers whether it would take the key.
    using KeyInterceptor = std::function<bool(const QKeyEvent& key, bool perform)>;

    explicit MarkdownTextEditor(QWidget* parent = nullptr);

    void setOnInsertNewline(InsertNewlineHandler handler) { m_onInsertNewline = std::move(handler); }
    void setKeyInterceptor(KeyInterceptor interceptor) { m_keyInterceptor = std::move(interceptor); }
    void setEnableEmojiShortcuts(bool enabled) { m_enableEmojiShortcuts = enabled; }
    bool enableEmojiShortcuts() const { return m_enableEmojiShortcuts; }
    void setShowsVerticalScroller(bool shows);
    // Grows with its text when true; a fixed height is the host's business otherwise.
    void setGrowsWithText(bool grows);

    qsizetype caret() const { return textCursor().position(); }
    void setCaret(qsizetype position);

    // Writes `text` as the editor's own change: only the differing middle is replaced, so undo and
    // the caret survive; no textEdited follows.
    void replaceText(const QString& text);

    // Inserts at the caret as if typed (emoji picks go this way).
    void insertAtCaret(const QString& text);

    void openEmojiPalette();
    EmojiPalette* emojiPalette() const;
    void setContentInsets(const QMargins& insets);
    std::optional<qsizetype> lastColonTriggerLocation() const { return m_lastColonTriggerLocation; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void textEdited(const QString& text);
    void caretMoved(qsizetype caret);
    void focusChanged(bool focused);
    void emojiPaletteRequested();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void onTextChanged();
    bool replaceColonWithEmoji();
    void checkColonTrigger();
    void applyTypingAttributes();
    int contentHeight() const;

    InsertNewlineHandler m_onInsertNewline;
    KeyInterceptor m_keyInterceptor;
    QPointer<EmojiPalette> m_palette;
    bool m_enableEmojiShortcuts = true;
    bool m_growsWithText = true;
    bool m_suppressSelectionUpdates = false;
    bool m_isReplacingEmoji = false;
    bool m_isWritingOwnText = false;
    bool m_isApplyingAttributes = false;
    std::optional<qsizetype> m_lastColonTriggerLocation;
};
