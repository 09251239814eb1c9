#include "workspace/settings/BoardAdvancedTab.h"

#include "workspace/settings/DangerConfirmationDialog.h"
#include "symbols/SymbolIcons.h"
#include "workspace/settings/SettingsWidgets.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
const QString archiveExplanation = QStringLiteral(
    "Hide the board from the sidebar. You can bring it back from the Archived boards filter.");
const QString archivedExplanation = QStringLiteral("This board is hidden in the Archived boards filter.");
const QColor warningColor(0xe3, 0xa3, 0x3b);

// A section of the tab: symbol and title, explanation, and the button with its note under it.
QFrame* section(const QString& symbol, const QString& title, QLabel* text, QPushButton* button, QWidget* note,
    QWidget* parent)
{
    QFrame* frame = SettingsWidgets::panel(parent);
    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(12);
    auto* icon = new QLabel(frame);
    const QIcon symbolIcon = SymbolIcons::icon(symbol, parent->palette().color(QPalette::Text));
    icon->setPixmap(symbolIcon.pixmap(20, 20));
    layout->addWidget(icon, 0, Qt::AlignTop);
    icon->setVisible(!symbolIcon.isNull());
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(SettingsWidgets::title(title, frame, 0.5));
    texts->addWidget(text);
    texts->addWidget(note);
    layout->addLayout(texts, 1);
    layout->addWidget(button, 0, Qt::AlignTop);
    return frame;
}
}

BoardAdvancedTab::BoardAdvancedTab(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("advancedTab"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_faces = new QStackedWidget(this);
    layout->addWidget(m_faces);

    m_ownerNotice = SettingsWidgets::secondary(
        QStringLiteral("Advanced settings are only available to board owners."), m_faces);
    m_ownerNotice->setObjectName(QStringLiteral("ownerNotice"));
    m_ownerNotice->setAlignment(Qt::AlignCenter);
    m_faces->addWidget(m_ownerNotice);

    m_ownerFace = new QWidget(m_faces);
    auto* owner = new QVBoxLayout(m_ownerFace);
    owner->setContentsMargins(20, 18, 20, 18);
    owner->setSpacing(14);

    m_archiveText = SettingsWidgets::secondary(archiveExplanation, m_ownerFace);
    m_archiveText->setObjectName(QStringLiteral("archiveText"));
    m_archive = new QPushButton(QStringLiteral("Archive"), m_ownerFace);
    m_archive->setObjectName(QStringLiteral("archiveButton"));
    m_alreadyArchived = new QLabel(QStringLiteral("Already archived"), m_ownerFace);
    m_alreadyArchived->setObjectName(QStringLiteral("alreadyArchivedNote"));
    m_alreadyArchived->setStyleSheet(QStringLiteral("color: %1;").arg(warningColor.name()));
    owner->addWidget(section(QStringLiteral("archivebox"), QStringLiteral("Archive Board"), m_archiveText, m_archive,
        m_alreadyArchived, m_ownerFace));

    auto* deleteText = SettingsWidgets::secondary(
        QStringLiteral("Deleting removes the board and its items for everyone. This action cannot be undone."),
        m_ownerFace);
    m_delete = new QPushButton(QStringLiteral("Delete"), m_ownerFace);
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    m_delete->setStyleSheet(QStringLiteral("QPushButton:enabled { color: %1; }")
                                .arg(DangerConfirmationDialog::destructiveColor().name()));
    m_lastBoard = new QWidget(m_ownerFace);
    m_lastBoard->setObjectName(QStringLiteral("lastBoardNote"));
    auto* lastBoardLayout = new QHBoxLayout(m_lastBoard);
    lastBoardLayout->setContentsMargins(0, 0, 0, 0);
    lastBoardLayout->setSpacing(6);
    auto* warningIcon = new QLabel(m_lastBoard);
    const QIcon warning = SymbolIcons::icon(QStringLiteral("exclamationmark.triangle.fill"), warningColor);
    warningIcon->setPixmap(warning.pixmap(14, 14));
    warningIcon->setVisible(!warning.isNull());
    auto* lastBoardText = new QLabel(QStringLiteral("Keep at least one board"), m_lastBoard);
    lastBoardText->setStyleSheet(QStringLiteral("color: %1;").arg(warningColor.name()));
    lastBoardLayout->addWidget(warningIcon);
    lastBoardLayout->addWidget(lastBoardText);
    lastBoardLayout->addStretch();
    owner->addWidget(section(QStringLiteral("trash"), QStringLiteral("Delete Board"), deleteText, m_delete,
        m_lastBoard, m_ownerFace));
    owner->addStretch();
    m_faces->addWidget(m_ownerFace);

    connect(m_archive, &QPushButton::clicked, this, &BoardAdvancedTab::confirmArchive);
    connect(m_delete, &QPushButton::clicked, this, &BoardAdvancedTab::confirmDelete);
}

bool BoardAdvancedTab::showsOwnerNotice() const
{
    return m_faces->currentWidget() == m_ownerNotice;
}

void BoardAdvancedTab::setBoard(const Board& board, bool currentUserIsOwner, qsizetype boardCount)
{
    m_board = board;
    m_faces->setCurrentWidget(currentUserIsOwner ? m_ownerFace : m_ownerNotice);
    const bool archived = !board.isActive;
    m_archiveText->setText(archived ? archivedExplanation : archiveExplanation);
    m_archive->setEnabled(currentUserIsOwner && !archived);
    m_alreadyArchived->setVisible(archived);
    const bool lastBoard = boardCount <= 1;
    m_delete->setEnabled(currentUserIsOwner && !lastBoard);
    m_lastBoard->setVisible(lastBoard);
}

void BoardAdvancedTab::confirmArchive()
{
    if (!m_archive->isEnabled())
        return;
    const Board board = m_board;
    auto* dialog = new DangerConfirmationDialog(
        {QStringLiteral("Archive board?"),
            QStringLiteral("The board will move to the Archived list. You can restore it from there later."),
            QStringLiteral("Archive Board"), warningColor,
            [self = QPointer(this), board] {
                if (self)
                    Q_EMIT self->archiveConfirmed(board);
            }},
        this);
    dialog->open();
}

void BoardAdvancedTab::confirmDelete()
{
    if (!m_delete->isEnabled())
        return;
    const Board board = m_board;
    auto* dialog = new DangerConfirmationDialog(
        {QStringLiteral("Delete board?"),
            QStringLiteral("All items on this board will be permanently removed for everyone."),
            QStringLiteral("Delete Board"), DangerConfirmationDialog::destructiveColor(),
            [self = QPointer(this), board] {
                if (self)
                    Q_EMIT self->deleteConfirmed(board);
            }},
        this);
    dialog->open();
}
