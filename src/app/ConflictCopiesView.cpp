#include "app/ConflictCopiesView.h"

#include "app/KeptTextRow.h"
#include "app/Palette.h"
#include "workspace/BoardViewModel.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

ConflictCopiesView::ConflictCopiesView(const ViewContext& context, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("conflictCopies"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 8, 20, 0);
    layout->setSpacing(6);

    m_header = KeptTextRow::sectionHeader(this, QStringLiteral("conflictCopiesHeader"),
        QStringLiteral("Your versions of items that the service replaced or did not accept"), Palette::conflict());
    connect(m_header, &QToolButton::clicked, this, [this] { setExpanded(!m_isExpanded); });
    layout->addWidget(m_header, 0, Qt::AlignLeft);

    m_list = new QWidget(this);
    m_list->setObjectName(QStringLiteral("conflictCopiesList"));
    m_rows = new QVBoxLayout(m_list);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(6);
    layout->addWidget(m_list);
    m_list->hide();

    BoardViewModel& workspace = m_context.workspace;
    connect(&workspace.conflictCopies(), &ConflictCopies::changed, this, &ConflictCopiesView::rebuild);
    connect(&workspace, &BoardViewModel::selectedBoardChanged, this, &ConflictCopiesView::rebuild);
    connect(&workspace, &BoardViewModel::boardsChanged, this, &ConflictCopiesView::rebuild);
    rebuild();
}

void ConflictCopiesView::setExpanded(bool expanded)
{
    m_isExpanded = expanded;
    m_list->setVisible(expanded);
    rebuild();
}

void ConflictCopiesView::reveal()
{
    setExpanded(true);
    if (auto* first = m_list->findChild<QPushButton*>())
        first->setFocus(Qt::OtherFocusReason);
}

void ConflictCopiesView::rebuild()
{
    const BoardViewModel& workspace = m_context.workspace;
    const QUuid boardId = workspace.selectedBoard().id;
    QSet<QUuid> known;
    for (const Board& board : workspace.boards())
        known.insert(board.id);
    const QList<ConflictCopy> own = workspace.conflictCopies().forBoard(boardId);
    const QList<ConflictCopy> orphans = workspace.conflictCopies().orphans(known);
    const qsizetype count = own.size() + orphans.size();

    setVisible(count > 0);
    m_header->setText(QStringLiteral("%1 Conflict copies (%2)")
                          .arg(m_isExpanded ? QStringLiteral("▾") : QStringLiteral("▸"))
                          .arg(count));
    // Later, not now: the change may come from a button of the row being replaced.
    while (QLayoutItem* row = m_rows->takeAt(0)) {
        if (QWidget* widget = row->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete row;
    }
    if (!m_isExpanded)
        return;
    for (const ConflictCopy& copy : own)
        addRow(makeRow(copy, false));
    for (const ConflictCopy& copy : orphans)
        addRow(makeRow(copy, true));
}

void ConflictCopiesView::addRow(QWidget* row)
{
    m_rows->addWidget(row);
    // Shown now rather than with the layout's next pass, so the keyboard can reach it at once.
    row->show();
}

QWidget* ConflictCopiesView::makeRow(const ConflictCopy& copy, bool orphan)
{
    QVBoxLayout* layout = nullptr;
    QWidget* row = KeptTextRow::make(m_list, QStringLiteral("conflictCopyRow"), Palette::conflict(), &layout);
    row->setProperty("copyId", copy.id);

    QString why = conflictReasonDescription(copy.reason);
    if (orphan)
        why = QStringLiteral("From \"%1\". ").arg(copy.boardName.isEmpty() ? QStringLiteral("a board no longer here") : copy.boardName) + why;
    layout->addWidget(KeptTextRow::caption(row, QStringLiteral("conflictCopyReason"),
        QStringLiteral("%1 Kept %2.").arg(why, QLocale().toString(copy.savedAt.toLocalTime(), QLocale::ShortFormat))));
    // The text came from this user, but may hold anything.
    layout->addWidget(KeptTextRow::text(row, QStringLiteral("conflictCopyText"), copy.content));

    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(6);
    QPushButton* restore = KeptTextRow::button(row, QStringLiteral("restoreConflictCopy"), QStringLiteral("Restore my version"));
    QPushButton* copyText = KeptTextRow::button(row, QStringLiteral("copyConflictCopy"), QStringLiteral("Copy text"));
    QPushButton* discard = KeptTextRow::button(row, QStringLiteral("discardConflictCopy"), QStringLiteral("Discard"));
    buttons->addWidget(restore);
    buttons->addWidget(copyText);
    buttons->addStretch(1);
    buttons->addWidget(discard);
    layout->addLayout(buttons);

    const QUuid copyId = copy.id;
    const QString content = copy.content;
    BoardViewModel* workspace = &m_context.workspace;
    connect(restore, &QPushButton::clicked, this, [workspace, copyId] {
        workspace->restoreConflictCopy(copyId, workspace->selectedBoard().id);
    });
    ToastManager* toasts = &m_context.toasts;
    connect(copyText, &QPushButton::clicked, this, [toasts, content] {
        QApplication::clipboard()->setText(content);
        toasts->showSuccess(QStringLiteral("Copied item content"));
    });
    connect(discard, &QPushButton::clicked, this, [workspace, copyId] { workspace->discardConflictCopy(copyId); });
    return row;
}
