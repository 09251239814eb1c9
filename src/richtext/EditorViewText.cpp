// EditorView: how text moves between the stored text and the text view, and what follows an edit
// (typographic replacements, the leading-emoji guard, mention completion, link labels).
#include "richtext/EditorView.h"

#include "richtext/LeadingEmojiGuard.h"
#include "richtext/LinkLabeler.h"
#include "richtext/MarkdownTextEditor.h"
#include "richtext/MentionSuggestionList.h"
#include "richtext/TypographicReplacements.h"

#include <QKeyEvent>

#include <algorithm>

void EditorView::setText(const QString& text)
{
    // Taken as it is: opening an item for editing changes nothing (no replacements, no link labels,
    // no fetches) until the user types.
    commitText(storedTextFrom(text));
    m_linkLabeler->ignoreAddressesIn(m_text);
    showTextInEditor();
    updateMentionState();
}

namespace {
// Where the replacements may act after an edit: from the start of the word in which the edit began.
// Text before it is as the item had it, or as an earlier keystroke already left it.
qsizetype rewriteStart(const QString& before, const QString& after, qsizetype caret)
{
    qsizetype prefix = 0;
    const qsizetype shorter = std::min(before.size(), after.size());
    while (prefix < shorter && before[prefix] == after[prefix])
        ++prefix;
    qsizetype start = std::clamp<qsizetype>(std::min(prefix, caret), 0, after.size());
    while (start > 0 && !after[start - 1].isSpace())
        --start;
    return start;
}
} // namespace

void EditorView::onEditorTextEdited(const QString& editorText)
{
    const QString typed = storedTextFrom(editorText);
    const qsizetype caret = storedCaret();
    // More than one new character at once is a paste or a pick: its address is complete.
    const bool isPaste = typed.size() - m_text.size() > 1;
    const qsizetype start = rewriteStart(m_text, typed, caret);
    commitText(typed.left(start) + applyTypographicReplacementsWhileTyping(typed.mid(start), caret - start));
    showTextInEditor();
    updateMentionState();
    m_linkLabeler->scan(m_text, isPaste ? std::nullopt : std::optional(storedCaret()));
}

void EditorView::commitText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateCounter();
    Q_EMIT textChanged(m_text);
}

void EditorView::showTextInEditor()
{
    m_editor->replaceText(editorTextFor(m_text));
}

qsizetype EditorView::storedCaret() const
{
    // Only a leading zero-width space can be in the view (the guard adds no other).
    const QString shown = m_editor->toPlainText();
    const qsizetype caret = m_editor->caret();
    return caret - shown.left(caret).count(zeroWidthSpace);
}

void EditorView::setStoredCaret(qsizetype caret)
{
    const bool guarded = m_editor->toPlainText().startsWith(zeroWidthSpace);
    m_editor->setCaret(caret + (guarded ? 1 : 0));
}

void EditorView::updateMentionState()
{
    if (m_mentionCandidates.isEmpty()) {
        m_mentionState.reset();
        m_completedMention.reset();
        showSuggestions();
        return;
    }
    const qsizetype caret = storedCaret();
    const bool hasSelection = m_editor->textCursor().hasSelection();
    if (m_completedMention) {
        const TextRange range = m_completedMention->range;
        const bool stillThere = m_text.mid(range.location, range.length) == m_completedMention->value;
        if (stillThere && caret >= range.location && caret <= range.end()) {
            m_mentionState.reset();
            showSuggestions();
            return;
        }
        m_completedMention.reset();
    }
    m_mentionState = hasSelection ? std::nullopt : MentionCompletion::tokenAt(m_text, caret);
    showSuggestions();
}

void EditorView::showSuggestions()
{
    if (!m_mentionState) {
        m_suggestions->hide();
        m_mentionHoveredUserId.reset();
        return;
    }
    const QList<BoardUser> matching = MentionCompletion::suggestions(m_mentionCandidates, m_mentionState->query);
    if (matching != m_suggestions->suggestions())
        m_suggestions->setSuggestions(matching);
    m_suggestions->setVisible(!matching.isEmpty());
}

void EditorView::chooseMention(const BoardUser& user)
{
    if (!m_mentionState)
        return;
    const MentionCompletion::Completion completion = MentionCompletion::complete(m_text, *m_mentionState, user);
    m_mentionState.reset();
    m_mentionHoveredUserId.reset();
    m_completedMention = completion.mention;
    commitText(completion.text);
    showTextInEditor();
    setStoredCaret(completion.caret);
    m_suggestions->hide();
}

bool EditorView::interceptKey(const QKeyEvent& key, bool perform)
{
    if (!m_suggestions->isVisible() || key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (key.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (perform)
            m_suggestions->moveSelection(key.key() == Qt::Key_Up ? -1 : 1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
        if (perform)
            m_suggestions->chooseCurrent();
        return true;
    case Qt::Key_Escape:
        // The first Escape closes the list; the next one cancels the editor.
        if (perform) {
            m_mentionState.reset();
            m_suggestions->hide();
        }
        return true;
    default:
        return false;
    }
}

void EditorView::applyLinkLabel(const QString& address, const QString& label)
{
    const std::optional<QString> labelled = LinkLabeler::applyLabel(m_text, address, label);
    if (!labelled)
        return;
    commitText(*labelled);
    showTextInEditor();
    updateMentionState();
}
