#include "richtext/EditorView.h"
#include "accessible/AccessibleShortcut.h"

#include "richtext/BusyIndicator.h"
#include "richtext/CharacterCounter.h"
#include "richtext/EditorColors.h"
#include "richtext/LeadingEmojiGuard.h"
#include "richtext/LinkLabeler.h"
#include "richtext/LinkMetadataService.h"
#include "richtext/MarkdownCheatsheetView.h"
#include "richtext/MarkdownTextEditor.h"
#include "richtext/MentionSuggestionList.h"
#include "richtext/UserCharacters.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* symbolButton(const QString& glyph, const QString& help, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(glyph);
    QFont font = button->font();
    font.setPixelSize(14);
    button->setFont(font);
    button->setToolTip(help);
    // The glyph says nothing to a screen reader; the help text says what the button does.
    button->setAccessibleName(help);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setStyleSheet(QStringLiteral("QToolButton { padding: 6px; }"));
    return button;
}

} // namespace

EditorView::EditorView(QWidget* parent, LinkMetadataService* linkService)
    : QWidget(parent)
    , m_editor(new MarkdownTextEditor(this))
    , m_suggestions(new MentionSuggestionList(this))
    , m_linkLabeler(new LinkLabeler(linkService ? linkService : &LinkMetadataService::shared(), this))
{
    setObjectName(QStringLiteral("editorView"));
    m_cheatsheetFactory = [](QWidget* parent) { return new MarkdownCheatsheetView(parent); };
    buildChrome();

    connect(m_editor, &MarkdownTextEditor::textEdited, this, &EditorView::onEditorTextEdited);
    connect(m_editor, &MarkdownTextEditor::caretMoved, this, [this] {
        // Typing moves the caret before the new text arrives; that text brings its own update.
        if (storedTextFrom(m_editor->toPlainText()) != m_text)
            return;
        updateMentionState();
        // An address typed by hand is fetched once the caret has left its end.
        m_linkLabeler->scan(m_text, storedCaret());
    });
    connect(m_editor, &MarkdownTextEditor::focusChanged, this, [this](bool focused) {
        m_isEditorFocused = focused;
        update();
        Q_EMIT editorFocusChanged(focused);
    });
    m_editor->setKeyInterceptor(
        [this](const QKeyEvent& key, bool perform) { return interceptKey(key, perform); });
    connect(m_suggestions, &MentionSuggestionList::chosen, this, &EditorView::chooseMention);
    connect(m_suggestions, &MentionSuggestionList::hoveredUserChanged, this,
            [this](std::optional<QUuid> userId) { m_mentionHoveredUserId = userId; });
    connect(m_linkLabeler, &LinkLabeler::labelReady, this, &EditorView::applyLinkLabel);

    // Both keys belong to this editor only, so several editors can share a window.
    auto* saveShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), this);
    saveShortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(saveShortcut, &QShortcut::activated, this, &EditorView::submit);
    auto* saveOnKeypad = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), this);
    saveOnKeypad->setContext(Qt::WidgetWithChildrenShortcut);
    connect(saveOnKeypad, &QShortcut::activated, this, &EditorView::submit);
    auto* cancelShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    cancelShortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(cancelShortcut, &QShortcut::activated, this, [this] {
        if (m_showsCancelButton)
            cancel();
    });

    updateChrome();
}

EditorView::~EditorView()
{
    // The text view loses focus while the children are torn down; by then there is no editor to tell.
    m_editor->disconnect(this);
}

void EditorView::buildChrome()
{
    m_suggestions->hide();

    m_emojiButton = symbolButton(QStringLiteral("☺"), QStringLiteral("Insert emoji…"), this);
    m_emojiButton->setObjectName(QStringLiteral("emojiButton"));
    m_emojiButton->setAccessibleName(QStringLiteral("Insert emoji"));
    m_emojiButton->setAutoRaise(false);
    connect(m_emojiButton, &QToolButton::clicked, this, [this] {
        focusEditor();
        m_editor->openEmojiPalette();
    });

    m_markdownHelpButton = symbolButton(QStringLiteral("Aa"), QStringLiteral("Show Markdown cheatsheet"), this);
    m_markdownHelpButton->setObjectName(QStringLiteral("markdownHelpButton"));
    connect(m_markdownHelpButton, &QToolButton::clicked, this, &EditorView::toggleMarkdownCheatsheet);

    m_counter = new QLabel(this);
    m_counter->setObjectName(QStringLiteral("characterCounter"));
    m_counter->setContentsMargins(4, 4, 4, 4);

    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    AccessibleShortcut::set(*m_cancelButton, QKeySequence(Qt::Key_Escape));
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setToolTip(QStringLiteral("Cancel (Esc)"));
    connect(m_cancelButton, &QPushButton::clicked, this, &EditorView::cancel);

    m_primaryButton = new QPushButton(this);
    AccessibleShortcut::set(*m_primaryButton, QKeySequence(Qt::CTRL | Qt::Key_Return));
    m_primaryButton->setObjectName(QStringLiteral("primaryButton"));
    m_primaryButton->setToolTip(QStringLiteral("Save (Ctrl+Return)"));
    m_primaryButton->setDefault(false);
    m_primaryButton->setAutoDefault(false);
    connect(m_primaryButton, &QPushButton::clicked, this, &EditorView::submit);
    m_busyIndicator = new BusyIndicator(m_primaryButton);
    m_busyIndicator->hide();
    auto* buttonLayout = new QHBoxLayout(m_primaryButton);
    // The layout only places the spinner; without a fixed policy its stretch would widen the button.
    m_primaryButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    buttonLayout->setContentsMargins(6, 0, 0, 0);
    buttonLayout->addWidget(m_busyIndicator, 0, Qt::AlignLeft | Qt::AlignVCenter);
    buttonLayout->addStretch();

    auto* bar = new QHBoxLayout;
    bar->setSpacing(4);
    bar->addWidget(m_emojiButton);
    bar->addWidget(m_markdownHelpButton);
    bar->addWidget(m_counter);
    bar->addStretch();
    bar->addWidget(m_cancelButton);
    bar->addWidget(m_primaryButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 8);
    layout->setSpacing(6);
    layout->addWidget(m_editor);
    layout->addWidget(m_suggestions);
    layout->addLayout(bar);
}

void EditorView::updateChrome()
{
    m_editor->setPlaceholderText(placeholderText());
    // A placeholder is only painted; the name is what a screen reader says on arriving in the editor.
    QString name = placeholderText();
    if (name.endsWith(QChar(0x2026)))
        name.chop(1);
    m_editor->setAccessibleName(name);
    m_primaryButton->setText(m_mode.kind == EditorMode::Kind::custom ? m_mode.primaryButtonTitle
                                                                      : QStringLiteral("Save"));
    m_primaryButton->setEnabled(canSubmit() && !m_isPrimaryActionInFlight);
    m_busyIndicator->setVisible(m_isPrimaryActionInFlight);
    m_cancelButton->setVisible(m_showsCancelButton);
    m_emojiButton->setVisible(m_showsEmojiPicker);
    m_markdownHelpButton->setVisible(m_showsMarkdownHelpButton);

    if (m_editorHeight) {
        m_editor->setGrowsWithText(false);
        m_editor->setFixedHeight(*m_editorHeight);
    } else {
        m_editor->setMinimumHeight(0);
        m_editor->setMaximumHeight(QWIDGETSIZE_MAX);
        m_editor->setGrowsWithText(m_expandsVertically);
    }
    m_editor->setShowsVerticalScroller(m_editorHeight.has_value() || !m_expandsVertically);

    const int margin = m_presentation == EditorPresentation::embedded ? 0 : 10;
    layout()->setContentsMargins(margin, margin, margin, m_presentation == EditorPresentation::embedded ? 0 : 8);
    updateCounter();
    update();
}

void EditorView::updateCounter()
{
    const CharacterCounter counter = CharacterCounter::forText(m_text, m_maxCharacters);
    m_counter->setText(counter.text());
    QColor color = EditorColors::secondaryLabel(palette());
    if (counter.tone == CharacterCounter::Tone::overLimit)
        color = EditorColors::systemRed(palette());
    else if (counter.tone == CharacterCounter::Tone::warning)
        color = EditorColors::systemOrange(palette());
    QPalette colors = m_counter->palette();
    colors.setColor(QPalette::WindowText, color);
    m_counter->setPalette(colors);
    m_primaryButton->setEnabled(canSubmit() && !m_isPrimaryActionInFlight);
}

QString EditorView::placeholderText() const
{
    if (m_customPlaceholder)
        return *m_customPlaceholder;
    switch (m_mode.kind) {
    case EditorMode::Kind::create:
        return QStringLiteral("Write a new item…");
    case EditorMode::Kind::edit:
        return QStringLiteral("Update the item…");
    case EditorMode::Kind::custom:
        return m_mode.placeholder;
    }
    return {};
}

bool EditorView::canSubmit() const
{
    if (!m_allowsEmptySubmission && m_text.trimmed().isEmpty())
        return false;
    return userCharacterCount(m_text) <= m_maxCharacters;
}

void EditorView::submit()
{
    if (!canSubmit() || m_isPrimaryActionInFlight)
        return;
    Q_EMIT submitted(m_text.trimmed());
}

void EditorView::requestSave()
{
    // Every open editor hears the request; only the one being typed in answers it.
    if (isVisible() && m_isEditorFocused)
        submit();
}

void EditorView::cancel()
{
    Q_EMIT cancelled();
}

void EditorView::focusEditor()
{
    m_editor->setFocus(Qt::OtherFocusReason);
}

void EditorView::toggleMarkdownCheatsheet()
{
    m_isShowingMarkdownCheatsheet = !m_isShowingMarkdownCheatsheet;
    if (!m_isShowingMarkdownCheatsheet) {
        if (m_cheatsheetPopup)
            m_cheatsheetPopup->hide();
        return;
    }
    if (!m_cheatsheetPopup && m_cheatsheetFactory) {
        auto* popup = new QFrame(this, Qt::Popup);
        popup->setFrameShape(QFrame::StyledPanel);
        auto* layout = new QVBoxLayout(popup);
        layout->addWidget(m_cheatsheetFactory(popup));
        // Clicking outside closes a popup; the toggle follows.
        popup->installEventFilter(this);
        m_cheatsheetPopup = popup;
    }
    if (m_cheatsheetPopup) {
        m_cheatsheetPopup->adjustSize();
        m_cheatsheetPopup->move(m_markdownHelpButton->mapToGlobal(QPoint(0, m_markdownHelpButton->height())));
        m_cheatsheetPopup->show();
    }
}

void EditorView::setMode(const EditorMode& mode)
{
    m_mode = mode;
    updateChrome();
}

void EditorView::setPresentation(EditorPresentation presentation)
{
    m_presentation = presentation;
    updateChrome();
}

void EditorView::setStatusTint(std::optional<QColor> tint)
{
    m_statusTint = tint;
    update();
}

void EditorView::setCustomPlaceholder(std::optional<QString> placeholder)
{
    m_customPlaceholder = std::move(placeholder);
    updateChrome();
}

void EditorView::setAllowsEmptySubmission(bool allows)
{
    m_allowsEmptySubmission = allows;
    updateChrome();
}

void EditorView::setMaxCharacters(qsizetype maxCharacters)
{
    m_maxCharacters = maxCharacters;
    updateChrome();
}

void EditorView::setEditorHeight(std::optional<int> height)
{
    m_editorHeight = height;
    updateChrome();
}

void EditorView::setContentInsets(std::optional<QMargins> insets)
{
    m_editor->setContentInsets(insets.value_or(QMargins()));
}

void EditorView::setExpandsVertically(bool expands)
{
    m_expandsVertically = expands;
    updateChrome();
}

void EditorView::setMentionCandidates(const QList<BoardUser>& candidates)
{
    m_mentionCandidates = candidates;
    updateMentionState();
}

void EditorView::setShowsCancelButton(bool shows)
{
    m_showsCancelButton = shows;
    updateChrome();
}

void EditorView::setShowsEmojiPicker(bool shows)
{
    m_showsEmojiPicker = shows;
    updateChrome();
}

void EditorView::setShowsMarkdownHelpButton(bool shows)
{
    m_showsMarkdownHelpButton = shows;
    updateChrome();
}

void EditorView::setAllowsColonEmojiPicker(bool allows)
{
    m_editor->setEnableEmojiShortcuts(allows);
}

void EditorView::setPrimaryActionInFlight(bool inFlight)
{
    m_isPrimaryActionInFlight = inFlight;
    updateChrome();
}

void EditorView::setShowsContainerBackground(bool shows)
{
    m_showsContainerBackground = shows;
    update();
}

void EditorView::setShowsContainerBorder(bool shows)
{
    m_showsContainerBorder = shows;
    update();
}

void EditorView::setMarkdownCheatsheetFactory(std::function<QWidget*(QWidget*)> factory)
{
    m_cheatsheetFactory = std::move(factory);
}

void EditorView::paintEvent(QPaintEvent*)
{
    if (m_presentation == EditorPresentation::embedded)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    if (m_showsContainerBackground)
        painter.fillPath(shape, EditorColors::mainContentBackground(palette()));
    if (m_showsContainerBorder) {
        // A focused floating editor takes its column's colour, so it is clear where the item goes.
        const bool tinted = m_presentation == EditorPresentation::floating && m_isEditorFocused && m_statusTint;
        painter.setPen(QPen(tinted ? *m_statusTint : EditorColors::containerBorder(palette()), tinted ? 1.5 : 1.0));
        painter.drawPath(shape);
    }
}

void EditorView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateCounter();
}

bool EditorView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_cheatsheetPopup && event->type() == QEvent::Hide)
        m_isShowingMarkdownCheatsheet = false;
    return QWidget::eventFilter(watched, event);
}
