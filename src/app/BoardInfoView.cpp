#include "app/BoardInfoView.h"

#include "app/Palette.h"
#include "plaintext/UntrustedText.h"
#include "richtext/EditorView.h"
#include "symbols/SymbolIcons.h"
#include "workspace/BoardViewModel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

BoardInfoView::BoardInfoView(const ViewContext& context, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("boardInfoView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 10, 12);
    layout->setSpacing(4);
    auto* top = new QHBoxLayout();
    auto* title = new QLabel(QStringLiteral("About this board"), this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    top->addWidget(title);
    top->addStretch(1);
    m_editButton = new QToolButton(this);
    m_editButton->setObjectName(QStringLiteral("editBoardInfo"));
    m_editButton->setIcon(SymbolIcons::icon(QStringLiteral("pencil"), Palette::secondaryText(), 14));
    m_editButton->setToolTip(QStringLiteral("Edit board info"));
    m_editButton->setAccessibleName(QStringLiteral("Edit board info"));
    m_editButton->setAutoRaise(true);
    m_editButton->setCursor(Qt::PointingHandCursor);
    connect(m_editButton, &QToolButton::clicked, this, &BoardInfoView::startEditing);
    top->addWidget(m_editButton);
    layout->addLayout(top);

    m_text = UntrustedText::label(QString(), this);
    m_text->setObjectName(QStringLiteral("boardInfoText"));
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
    m_hint = new QLabel(QStringLiteral("Select Edit to write it."), this);
    m_hint->setObjectName(QStringLiteral("boardInfoHint"));
    m_hint->setStyleSheet(QStringLiteral("color: %1;").arg(Palette::secondaryText().name()));
    layout->addWidget(m_text);
    layout->addWidget(m_hint);

    connect(&m_context.workspace, &BoardViewModel::selectedBoardChanged, this, &BoardInfoView::refresh);
    refresh();
}

QString BoardInfoView::shownText() const
{
    return m_hint->isVisibleTo(this) ? m_text->text() + QLatin1Char(' ') + m_hint->text() : m_text->text();
}

void BoardInfoView::refresh()
{
    const Board& board = m_context.workspace.selectedBoard();
    const QString info = board.info.value_or(QString()).trimmed();
    const bool empty = info.isEmpty();
    m_text->setText(empty ? QStringLiteral("Add a board description so everyone stays aligned.") : info);
    m_text->setStyleSheet(
        QStringLiteral("color: %1;").arg((empty ? Palette::secondaryText() : Palette::primaryText()).name()));
    m_hint->setVisible(empty && !isEditing());
    m_text->setVisible(!isEditing());
    m_editButton->setVisible(board.isOwnedBy(m_context.currentUserId()) && !isEditing());
}

void BoardInfoView::startEditing()
{
    const Board& board = m_context.workspace.selectedBoard();
    if (m_editor || !board.isOwnedBy(m_context.currentUserId()))
        return;
    m_editor = new EditorView(this);
    m_editor->setObjectName(QStringLiteral("boardInfoEditor"));
    m_editor->setMode(EditorMode::custom(QStringLiteral("Save"), QStringLiteral("Share board context, rituals, or helpful links…")));
    m_editor->setPresentation(EditorPresentation::embedded);
    m_editor->setAllowsEmptySubmission(true);
    m_editor->setMaxCharacters(maxInfoCharacters);
    m_editor->setShowsEmojiPicker(false);
    m_editor->setMentionCandidates(board.users);
    m_editor->setText(board.info.value_or(QString()));
    layout()->addWidget(m_editor);
    const QUuid boardId = board.id;
    connect(m_editor, &EditorView::submitted, this, [this, boardId](const QString& text) {
        std::optional<Board> current = m_context.workspace.findBoard(boardId);
        finishEditing();
        if (!current)
            return;
        current->info = text;
        m_context.workspace.updateBoard(*current);
    });
    connect(m_editor, &EditorView::cancelled, this, &BoardInfoView::finishEditing);
    refresh();
    m_editor->focusEditor();
}

void BoardInfoView::finishEditing()
{
    if (!m_editor)
        return;
    m_editor->hide();
    m_editor->deleteLater();
    m_editor = nullptr;
    refresh();
}

void BoardInfoView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    painter.fillPath(path, Palette::itemCardBackground());
    painter.setPen(Palette::separator());
    painter.drawPath(path);
}
