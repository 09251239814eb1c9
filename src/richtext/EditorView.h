// The one text editor of the application: items are written and changed in it, and the feedback
// and board description editors reuse it. It edits markdown source, counts characters against a
// limit, completes @mentions of board members, inserts emoji, applies typographic replacements,
// turns pasted web addresses into titled links, and submits with Ctrl+Return. It holds only the
// text being edited; results go out through submitted() and cancelled().
#pragma once

#include "domain/BoardUser.h"
#include "richtext/EditorMode.h"
#include "richtext/MentionCompletion.h"

#include <QColor>
#include <QMargins>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class BusyIndicator;
class LinkLabeler;
class LinkMetadataService;
class MarkdownTextEditor;
class MentionSuggestionList;
class QLabel;
class QPushButton;
class QToolButton;

class EditorView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)

public:
    // Link titles come from `linkService`, or from the process-wide service when none is given.
    explicit EditorView(QWidget* parent = nullptr, LinkMetadataService* linkService = nullptr);
    ~EditorView() override;

    QString text() const { return m_text; }
    void setText(const QString& text);

    void setMode(const EditorMode& mode);
    EditorMode mode() const { return m_mode; }
    void setPresentation(EditorPresentation presentation);
    EditorPresentation presentation() const { return m_presentation; }
    void setStatusTint(std::optional<QColor> tint);
    void setCustomPlaceholder(std::optional<QString> placeholder);
    void setAllowsEmptySubmission(bool allows);
    void setMaxCharacters(qsizetype maxCharacters);
    qsizetype maxCharacters() const { return m_maxCharacters; }
    void setEditorHeight(std::optional<int> height);
    void setContentInsets(std::optional<QMargins> insets);
    void setExpandsVertically(bool expands);
    void setMentionCandidates(const QList<BoardUser>& candidates);
    void setShowsCancelButton(bool shows);
    void setShowsEmojiPicker(bool shows);
    void setShowsMarkdownHelpButton(bool shows);
    void setAllowsColonEmojiPicker(bool allows);
    void setPrimaryActionInFlight(bool inFlight);
    bool isPrimaryActionInFlight() const { return m_isPrimaryActionInFlight; }
    void setShowsContainerBackground(bool shows);
    void setShowsContainerBorder(bool shows);
    // Makes the view shown by the markdown help button; the editor owns what it returns.
    void setMarkdownCheatsheetFactory(std::function<QWidget*(QWidget* parent)> factory);

    QString placeholderText() const;
    bool canSubmit() const;
    bool isEditorFocused() const { return m_isEditorFocused; }
    bool isShowingMarkdownCheatsheet() const { return m_isShowingMarkdownCheatsheet; }
    const std::optional<MentionState>& mentionState() const { return m_mentionState; }
    const std::optional<CompletedMention>& completedMention() const { return m_completedMention; }
    std::optional<QUuid> mentionHoveredUserId() const { return m_mentionHoveredUserId; }
    LinkLabeler* linkLabeler() const { return m_linkLabeler; }
    MarkdownTextEditor* textEditor() const { return m_editor; }

public Q_SLOTS:
    // The app's save request ("net.plenko.requestEditorSave"): submits when this editor has focus.
    void requestSave();
    void submit();
    void cancel();
    void focusEditor();
    void chooseMention(const BoardUser& user);

Q_SIGNALS:
    void textChanged(const QString& text);
    // The text trimmed of white space and newlines.
    void submitted(const QString& text);
    void cancelled();
    void editorFocusChanged(bool focused);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildChrome();
    void updateChrome();
    void updateCounter();
    void toggleMarkdownCheatsheet();

    // Text flow between the stored text and what the text view shows (EditorViewText.cpp).
    void onEditorTextEdited(const QString& editorText);
    void commitText(const QString& text);
    void showTextInEditor();
    qsizetype storedCaret() const;
    void setStoredCaret(qsizetype caret);
    void updateMentionState();
    void showSuggestions();
    bool interceptKey(const QKeyEvent& key, bool perform);
    void applyLinkLabel(const QString& address, const QString& label);

    QString m_text;
    EditorMode m_mode;
    EditorPresentation m_presentation = EditorPresentation::floating;
    std::optional<QColor> m_statusTint;
    std::optional<QString> m_customPlaceholder;
    bool m_allowsEmptySubmission = false;
    qsizetype m_maxCharacters = 300;
    std::optional<int> m_editorHeight;
    bool m_expandsVertically = true;
    QList<BoardUser> m_mentionCandidates;
    bool m_showsCancelButton = true;
    bool m_showsEmojiPicker = true;
    bool m_showsMarkdownHelpButton = true;
    bool m_isPrimaryActionInFlight = false;
    bool m_showsContainerBackground = true;
    bool m_showsContainerBorder = true;
    // The cheat sheet of this library unless a host hands in another.
    std::function<QWidget*(QWidget*)> m_cheatsheetFactory;

    bool m_isEditorFocused = false;
    bool m_isShowingMarkdownCheatsheet = false;
    std::optional<MentionState> m_mentionState;
    std::optional<CompletedMention> m_completedMention;
    std::optional<QUuid> m_mentionHoveredUserId;

    MarkdownTextEditor* m_editor = nullptr;
    MentionSuggestionList* m_suggestions = nullptr;
    QLabel* m_counter = nullptr;
    QToolButton* m_emojiButton = nullptr;
    QToolButton* m_markdownHelpButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_primaryButton = nullptr;
    BusyIndicator* m_busyIndicator = nullptr;
    QPointer<QWidget> m_cheatsheetPopup;
    LinkLabeler* m_linkLabeler = nullptr;
};
