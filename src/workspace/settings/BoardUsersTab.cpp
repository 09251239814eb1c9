#include "workspace/settings/BoardUsersTab.h"

#include "workspace/BoardViewModel.h"
#include "workspace/settings/DangerConfirmationDialog.h"
#include "workspace/settings/InvitationPanel.h"
#include "workspace/settings/MemberDisplay.h"
#include "workspace/settings/MemberRow.h"
#include "workspace/settings/SettingsWidgets.h"

#include <QCoro/QCoroTask>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
QWidget* centeredNotice(const QStringList& lines, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->addStretch();
    for (qsizetype index = 0; index < lines.size(); ++index) {
        QLabel* label = index == 0 ? SettingsWidgets::title(lines.at(index), box, 1)
                                   : SettingsWidgets::secondary(lines.at(index), box);
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    layout->addStretch();
    return box;
}
}

BoardUsersTab::BoardUsersTab(BoardSettingsContext context, QWidget* parent)
    : QWidget(parent)
    , m_context(std::move(context))
{
    setObjectName(QStringLiteral("usersTab"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_faces = new QStackedWidget(this);
    layout->addWidget(m_faces);

    m_localNotice = SettingsWidgets::secondary(
        QStringLiteral("User management is only available for cloud boards."), m_faces);
    m_localNotice->setObjectName(QStringLiteral("localNotice"));
    m_localNotice->setAlignment(Qt::AlignCenter);
    m_faces->addWidget(m_localNotice);

    m_archivedNotice = centeredNotice({QStringLiteral("Invites unavailable"),
                                          QStringLiteral("Archived boards are read-only."),
                                          QStringLiteral("Unarchive this board to invite members")},
        m_faces);
    m_archivedNotice->setObjectName(QStringLiteral("archivedNotice"));
    m_faces->addWidget(m_archivedNotice);

    m_membersFace = new QWidget(m_faces);
    auto* members = new QVBoxLayout(m_membersFace);
    members->setContentsMargins(20, 18, 20, 18);
    members->setSpacing(12);

    m_invitations = new InvitationPanel(m_context, m_membersFace);
    members->addWidget(m_invitations);
    auto* separator = new QFrame(m_membersFace);
    separator->setFrameShape(QFrame::HLine);
    separator->setForegroundRole(QPalette::Mid);
    m_invitationSeparator = separator;
    members->addWidget(separator);

    auto* header = new QHBoxLayout;
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(SettingsWidgets::title(QStringLiteral("Members"), m_membersFace, 0.5));
    titles->addWidget(SettingsWidgets::secondary(QStringLiteral("Add teammates to collaborate in real time"), m_membersFace));
    header->addLayout(titles, 1);
    m_refresh = SettingsWidgets::button(QString(), QStringLiteral("arrow.clockwise"), m_membersFace);
    m_refresh->setObjectName(QStringLiteral("refreshMembersButton"));
    m_refresh->setToolTip(QStringLiteral("Refresh members"));
    if (m_refresh->icon().isNull())
        m_refresh->setText(QStringLiteral("Refresh"));
    header->addWidget(m_refresh, 0, Qt::AlignTop);
    members->addLayout(header);

    m_loading = SettingsWidgets::secondary(QStringLiteral("Fetching latest members…"), m_membersFace);
    m_loading->setObjectName(QStringLiteral("loadingMembers"));
    members->addWidget(m_loading);

    m_empty = new QWidget(m_membersFace);
    m_empty->setObjectName(QStringLiteral("emptyMembers"));
    auto* emptyLayout = new QVBoxLayout(m_empty);
    emptyLayout->setContentsMargins(0, 10, 0, 10);
    QLabel* emptyTitle = SettingsWidgets::title(QStringLiteral("No collaborators yet"), m_empty, 0.5);
    emptyTitle->setAlignment(Qt::AlignCenter);
    QLabel* emptyText = SettingsWidgets::secondary(
        QStringLiteral("Generate an invite to bring teammates into this board."), m_empty);
    emptyText->setAlignment(Qt::AlignCenter);
    emptyLayout->addWidget(emptyTitle);
    emptyLayout->addWidget(emptyText);
    members->addWidget(m_empty);

    auto* scroll = new QScrollArea(m_membersFace);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* rowsHost = new QWidget(scroll);
    m_rowsLayout = new QVBoxLayout(rowsHost);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(4);
    m_rowsLayout->addStretch();
    scroll->setWidget(rowsHost);
    members->addWidget(scroll, 1);
    m_faces->addWidget(m_membersFace);

    connect(m_refresh, &QPushButton::clicked, this, &BoardUsersTab::refreshMembers);
}

QString BoardUsersTab::face() const
{
    if (m_faces->currentWidget() == m_localNotice)
        return QStringLiteral("local");
    if (m_faces->currentWidget() == m_archivedNotice)
        return QStringLiteral("archived");
    return QStringLiteral("members");
}

bool BoardUsersTab::currentUserIsOwner() const
{
    return m_board.isOwnedBy(m_context.userId());
}

void BoardUsersTab::setBoard(const Board& board)
{
    m_board = board;
    m_invitations->setBoard(board);
    showBoard();
}

void BoardUsersTab::refreshMembers()
{
    if (!m_board.syncWithServer || m_isLoadingUsers)
        return;
    m_isLoadingUsers = true;
    showBoard();
    const QUuid boardId = m_board.id;
    QCoro::connect(m_context.workspace.refreshBoardDetails(m_board), this, [this, boardId] {
        m_isLoadingUsers = false;
        if (const auto current = m_context.workspace.findBoard(boardId); current && boardId == m_board.id)
            setBoard(*current);
        else
            showBoard();
    });
}

void BoardUsersTab::showBoard()
{
    if (!m_board.syncWithServer) {
        m_faces->setCurrentWidget(m_localNotice);
        return;
    }
    if (!m_board.isActive) {
        m_faces->setCurrentWidget(m_archivedNotice);
        return;
    }
    m_faces->setCurrentWidget(m_membersFace);
    const bool owner = currentUserIsOwner();
    m_invitations->setVisible(owner);
    m_invitationSeparator->setVisible(owner);
    m_refresh->setEnabled(!m_isLoadingUsers);
    m_loading->setVisible(m_isLoadingUsers);
    m_empty->setVisible(!m_isLoadingUsers && m_board.users.isEmpty());
    rebuildRows();
    // Lay out now rather than on the next event round: otherwise the space of a notice that has just
    // been hidden stays above the list until then, and a grab or paint in between shows the gap.
    m_rowsLayout->activate();
    m_membersFace->layout()->activate();
}

void BoardUsersTab::rebuildRows()
{
    // Later, not now: a row may be the sender of the signal that led here.
    for (MemberRow* row : std::as_const(m_rows)) {
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();

    const std::optional<QUuid> me = m_context.userId();
    const bool owner = currentUserIsOwner();
    for (const BoardUser& user : std::as_const(m_board.users)) {
        const bool isCurrentUser = me == user.userId;
        const bool canRemove = !isCurrentUser && user.role != BoardRole::owner();
        auto* row = new MemberRow(user, isCurrentUser, owner && canRemove, m_rowsLayout->parentWidget());
        row->setRemovalState(m_removingUserId == user.userId, m_removingUserId.has_value());
        connect(row, &MemberRow::removeRequested, this, &BoardUsersTab::confirmRemoval);
        connect(row, &MemberRow::transferRequested, this, &BoardUsersTab::confirmTransfer);
        m_rowsLayout->insertWidget(m_rowsLayout->count() - 1, row);
        row->show();
        m_rows.append(row);
    }
}

void BoardUsersTab::confirmRemoval(const BoardUser& user)
{
    if (m_removingUserId)
        return;
    auto* dialog = new DangerConfirmationDialog(
        {QStringLiteral("Remove member?"),
            memberDisplayName(user) + QStringLiteral(" will immediately lose access to this board."),
            QStringLiteral("Remove Member"), DangerConfirmationDialog::destructiveColor(),
            [self = QPointer(this), user] {
                if (self)
                    self->removeMember(user);
            }},
        this);
    dialog->open();
}

void BoardUsersTab::confirmTransfer(const BoardUser& user)
{
    auto* dialog = new DangerConfirmationDialog(
        {QStringLiteral("Change ownership?"),
            memberDisplayName(user) + QStringLiteral(" will be the new Owner of this board"),
            QStringLiteral("Change ownership"), DangerConfirmationDialog::destructiveColor(),
            [self = QPointer(this), user] {
                if (self)
                    self->transferOwnership(user);
            }},
        this);
    dialog->open();
}

void BoardUsersTab::removeMember(const BoardUser& user)
{
    if (m_removingUserId)
        return;
    m_removingUserId = user.userId;
    showBoard();
    const QUuid boardId = m_board.id;
    QCoro::connect(m_context.workspace.removeMember(boardId, user), this,
        [this, boardId, user](ApiResult<void> result) {
            m_removingUserId.reset();
            if (result)
                m_context.toasts.showSuccess(QStringLiteral("Removed ") + user.email);
            else if (m_context.workspace.findBoard(boardId))
                m_context.toasts.showError(result.error().description());
            if (const auto current = m_context.workspace.findBoard(boardId); current && boardId == m_board.id)
                setBoard(*current);
            else
                showBoard();
        });
}

void BoardUsersTab::transferOwnership(const BoardUser& user)
{
    const QUuid boardId = m_board.id;
    QCoro::connect(m_context.workspace.transferOwnership(m_board, user), this,
        [this, boardId](ApiResult<void> result) {
            if (!result && m_context.workspace.findBoard(boardId))
                m_context.toasts.showError(result.error().description());
            if (const auto current = m_context.workspace.findBoard(boardId); current && boardId == m_board.id)
                setBoard(*current);
        });
}
