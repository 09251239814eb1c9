#include "app/TrashView.h"

#include "app/KeptTextRow.h"
#include "app/Palette.h"
#include "workspace/BoardViewModel.h"
#include "workspace/trash/ItemTrash.h"
#include "workspace/undo/ItemHistory.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A short, one-line form of an item's text for a question about it.
QString excerpt(const QString& content)
{
    QString line = content.simplified();
    if (line.size() > 60)
        line = line.left(59) + QChar(0x2026);
    return line;
}
}

TrashView::TrashView(const ViewContext& context, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
    , m_trash(ItemHistory::of(context.workspace).trash())
{
    setObjectName(QStringLiteral("trash"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 8, 20, 0);
    layout->setSpacing(6);

    auto* top = new QHBoxLayout();
    m_header = KeptTextRow::sectionHeader(this, QStringLiteral("trashHeader"),
        QStringLiteral("Items deleted from this board in the last 30 days"), Palette::secondaryText());
    connect(m_header, &QToolButton::clicked, this, [this] { setExpanded(!m_isExpanded); });
    top->addWidget(m_header);
    top->addStretch(1);
    m_empty = KeptTextRow::button(this, QStringLiteral("emptyTrash"), QStringLiteral("Empty Trash"));
    top->addWidget(m_empty);
    layout->addLayout(top);
    connect(m_empty, &QPushButton::clicked, this, [this] {
        const QUuid boardId = m_context.workspace.selectedBoard().id;
        confirm(QStringLiteral("Empty Trash?"),
            QStringLiteral("Every item in this board's trash will be deleted permanently. This can't be undone."),
            [trash = QPointer<ItemTrash>(&m_trash), boardId] {
                if (trash)
                    trash->empty(boardId);
            });
    });

    m_list = new QWidget(this);
    m_list->setObjectName(QStringLiteral("trashList"));
    m_rows = new QVBoxLayout(m_list);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(6);
    layout->addWidget(m_list);
    m_list->hide();

    BoardViewModel& workspace = m_context.workspace;
    connect(&m_trash, &ItemTrash::changed, this, &TrashView::rebuild);
    // A cloud board's trash is the service's: read again whenever its board is shown.
    connect(&workspace, &BoardViewModel::selectedBoardChanged, this, [this] {
        rebuild();
        m_trash.refresh(m_context.workspace.selectedBoard().id);
    });
    connect(&workspace, &BoardViewModel::boardsChanged, this, &TrashView::rebuild);
    rebuild();
    m_trash.refresh(workspace.selectedBoard().id);
}

void TrashView::setExpanded(bool expanded)
{
    m_isExpanded = expanded;
    m_list->setVisible(expanded);
    rebuild();
}

void TrashView::rebuild()
{
    const Board& board = m_context.workspace.selectedBoard();
    const QList<Item> items = m_trash.items(board.id);

    setVisible(!items.isEmpty());
    m_empty->setVisible(m_isExpanded);
    m_header->setText(QStringLiteral("%1 Trash (%2)")
                          .arg(m_isExpanded ? QStringLiteral("▾") : QStringLiteral("▸"))
                          .arg(items.size()));
    m_header->setAccessibleName(QStringLiteral("Trash, %1 items").arg(items.size()));
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
    for (const Item& item : items) {
        QWidget* row = makeRow(item);
        m_rows->addWidget(row);
        // Shown now rather than with the layout's next pass, so the keyboard can reach it at once.
        row->show();
    }
}

QWidget* TrashView::makeRow(const Item& item)
{
    QVBoxLayout* layout = nullptr;
    QWidget* row = KeptTextRow::make(m_list, QStringLiteral("trashRow"), Palette::separator(), &layout);
    row->setProperty("itemId", item.id);
    layout->addWidget(KeptTextRow::caption(row, QStringLiteral("trashDeletedAt"),
        QStringLiteral("Deleted %1.").arg(QLocale().toString(item.deletedAt->toLocalTime(), QLocale::ShortFormat))));
    // Another member's text as much as this user's.
    layout->addWidget(KeptTextRow::text(row, QStringLiteral("trashText"), item.content));

    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(6);
    QPushButton* restore = KeptTextRow::button(row, QStringLiteral("restoreTrashed"), QStringLiteral("Restore"));
    QPushButton* remove = KeptTextRow::button(row, QStringLiteral("deleteTrashed"), QStringLiteral("Delete Permanently"));
    restore->setAccessibleName(QStringLiteral("Restore ") + excerpt(item.content));
    remove->setAccessibleName(QStringLiteral("Delete Permanently ") + excerpt(item.content));
    buttons->addWidget(restore);
    buttons->addStretch(1);
    buttons->addWidget(remove);
    layout->addLayout(buttons);

    const QUuid itemId = item.id;
    const QUuid boardId = item.boardId;
    QPointer<ItemTrash> trash(&m_trash);
    connect(restore, &QPushButton::clicked, this, [trash, itemId, boardId] {
        if (trash)
            trash->restore(itemId, boardId);
    });
    connect(remove, &QPushButton::clicked, this, [this, trash, itemId, boardId, content = item.content] {
        confirm(QStringLiteral("Delete Permanently?"),
            QStringLiteral("\u201C%1\u201D will be deleted permanently. This can't be undone.").arg(excerpt(content)),
            [trash, itemId, boardId] {
                if (trash)
                    trash->deletePermanently(itemId, boardId);
            });
    });
    return row;
}

void TrashView::confirm(const QString& title, const QString& text, std::function<void()> confirmed)
{
    // Window-modal and opened, not executed: the event loop keeps running while it waits.
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("trashConfirmation"));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* remove = box->addButton(QStringLiteral("Delete"), QMessageBox::DestructiveRole);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Cancel);
    connect(box, &QMessageBox::buttonClicked, this, [remove, confirmed = std::move(confirmed)](QAbstractButton* clicked) {
        if (clicked == remove)
            confirmed();
    });
    box->open();
}
