#include "app/sidebar/SidebarView.h"

#include "app/AppNotifications.h"
#include "app/NotificationCenter.h"
#include "app/Palette.h"
#include "app/sidebar/SidebarArchivedList.h"
#include "app/sidebar/SidebarMainHeader.h"
#include "app/sidebar/SidebarSectionView.h"
#include "session/AuthState.h"
#include "sidebar/SidebarLayoutController.h"
#include "sidebar/SidebarSections.h"
#include "workspace/BoardViewModel.h"
#include "workspace/settings/JoinBoardView.h"
#include "workspace/settings/NewBoardView.h"

#include <QCoro/QCoroTask>
#include <QLabel>
#include <QScrollArea>
#include <QSet>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
// Refreshes the board list, reloads it from the store and syncs every cloud board of the mode shown.
QCoro::Task<void> refreshEveryBoard(QPointer<BoardViewModel> workspace, bool active)
{
    co_await workspace->refreshBoardsFromServer(false);
    if (!workspace)
        co_return;
    workspace->loadBoards(true);
    co_await workspace->syncAllCloudBoards(active);
}

QLabel* sectionTitle(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text.toUpper(), parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() - 1.5);
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Palette::secondaryText());
    label->setPalette(palette);
    label->setContentsMargins(18, 10, 12, 4);
    return label;
}

QScrollArea* scrollingPage(QWidget* content, QWidget* parent)
{
    auto* scroll = new QScrollArea(parent);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    // The lists inside take the keyboard and the area scrolls to them; the area itself is no stop.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    return scroll;
}
}

SidebarView::SidebarView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_workspace(services.workspace)
    , m_preferences(services.preferences)
    , m_toasts(services.toasts)
    , m_auth(services.auth)
    , m_loadsOnFirstShow(services.loadsOnFirstShow)
{
    setObjectName(QStringLiteral("sidebarView"));
    setMinimumWidth(200);
    m_layout = new SidebarLayoutController(m_preferences, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_header = new SidebarMainHeader(this);
    layout->addWidget(m_header);
    m_pages = new QStackedWidget(this);
    layout->addWidget(m_pages, 1);

    auto* active = new QWidget;
    auto* activeLayout = new QVBoxLayout(active);
    activeLayout->setContentsMargins(0, 0, 0, 8);
    activeLayout->setSpacing(0);
    m_localTitle = sectionTitle(QStringLiteral("Local Boards"), active);
    m_local = new SidebarSectionView(m_workspace, m_toasts, *m_layout, localSidebarScope(), active);
    m_remoteTitle = sectionTitle(QStringLiteral("Cloud Boards"), active);
    m_remote = new SidebarSectionView(m_workspace, m_toasts, *m_layout, remoteSidebarScope(), active);
    m_local->setAccessibleName(QStringLiteral("Local Boards"));
    m_remote->setAccessibleName(QStringLiteral("Cloud Boards"));
    activeLayout->addWidget(m_localTitle);
    activeLayout->addWidget(m_local);
    activeLayout->addWidget(m_remoteTitle);
    activeLayout->addWidget(m_remote);
    activeLayout->addStretch();
    m_pages->addWidget(scrollingPage(active, m_pages));

    auto* archived = new QWidget;
    auto* archivedLayout = new QVBoxLayout(archived);
    archivedLayout->setContentsMargins(0, 0, 0, 8);
    archivedLayout->setSpacing(0);
    m_archivedLocalTitle = sectionTitle(QStringLiteral("Local Boards"), archived);
    m_archivedLocal = new SidebarArchivedList(m_workspace, QStringLiteral("archivedLocalBoards"), archived);
    m_archivedRemoteTitle = sectionTitle(QStringLiteral("Cloud Boards"), archived);
    m_archivedRemote = new SidebarArchivedList(m_workspace, QStringLiteral("archivedCloudBoards"), archived);
    m_noArchived = new QLabel(QStringLiteral("No archived boards"), archived);
    m_noArchived->setObjectName(QStringLiteral("noArchivedBoards"));
    m_noArchived->setContentsMargins(18, 12, 12, 0);
    QPalette secondary = m_noArchived->palette();
    secondary.setColor(QPalette::WindowText, Palette::secondaryText());
    m_noArchived->setPalette(secondary);
    archivedLayout->addWidget(m_archivedLocalTitle);
    archivedLayout->addWidget(m_archivedLocal);
    archivedLayout->addWidget(m_archivedRemoteTitle);
    archivedLayout->addWidget(m_archivedRemote);
    archivedLayout->addWidget(m_noArchived);
    archivedLayout->addStretch();
    m_pages->addWidget(scrollingPage(archived, m_pages));

    connect(m_header, &SidebarMainHeader::backRequested, this,
        [this] { Q_EMIT modeChangeRequested(SidebarMode::active); });
    connect(m_header, &SidebarMainHeader::hideSidebarRequested, this, &SidebarView::hideSidebarRequested);
    connect(&m_workspace, &BoardViewModel::boardsChanged, this, [this] { m_layout->setBoards(m_workspace.boards()); });
    connect(m_layout, &SidebarLayoutController::entriesChanged, this, &SidebarView::updateSections);
    connect(m_layout, &SidebarLayoutController::archivedBoardsChanged, this, &SidebarView::updateSections);
    if (m_auth) {
        connect(m_auth, &AuthState::isLoggedInChanged, this, [this] {
            updateMenu();
            loadBoards();
        });
    }
    NotificationCenter& notifications
        = services.notifications ? *services.notifications : NotificationCenter::defaultCenter();
    notifications.observe(QString(AppNotification::requestAllBoardsRefresh), this, [this] { refreshAllBoards(); });

    m_layout->setBoards(m_workspace.boards());
    updateMenu();
    setMode(SidebarMode::active);
}

bool SidebarView::isSignedIn() const
{
    return m_auth && m_auth->isLoggedIn();
}

void SidebarView::setMode(SidebarMode mode)
{
    m_mode = mode;
    m_header->setMode(mode);
    m_pages->setCurrentIndex(mode == SidebarMode::archived ? 1 : 0);
    updateSections();
}

void SidebarView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_loadedOnce)
        return;
    m_loadedOnce = true;
    if (m_loadsOnFirstShow)
        loadBoards();
}

void SidebarView::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    Palette::paintSidebarSurface(this);
}

void SidebarView::loadBoards()
{
    if (isSignedIn())
        (void)m_workspace.refreshBoardsFromServer(false);
    else
        m_workspace.loadBoards(false);
}

void SidebarView::refreshAllBoards()
{
    if (!isSignedIn())
        return;
    (void)refreshEveryBoard(QPointer(&m_workspace), m_mode == SidebarMode::active);
}

void SidebarView::updateMenu()
{
    SidebarMenuSection section;
    section.items.append({QStringLiteral("New Board"), QStringLiteral("square.and.pencil"),
        [this] { openNewBoardDialog(); }, true});
    if (isSignedIn()) {
        section.items.append({QStringLiteral("Join Board"), QStringLiteral("person.crop.circle.badge.plus"),
            [this] { openJoinBoardDialog(); }, true});
    }
    m_header->setMenuSections({section});
}

void SidebarView::updateSections()
{
    const bool hasLocal = !m_local->isEmpty();
    const bool hasRemote = !m_remote->isEmpty();
    m_localTitle->setVisible(hasLocal);
    m_local->setVisible(hasLocal);
    m_remoteTitle->setVisible(hasRemote);
    m_remote->setVisible(hasRemote);

    const QList<Board> archivedLocal = m_layout->archivedBoards(localSidebarScope());
    const QList<Board> archivedRemote = m_layout->archivedBoards(remoteSidebarScope());
    m_archivedLocal->setBoards(archivedLocal);
    m_archivedRemote->setBoards(archivedRemote);
    m_archivedLocalTitle->setVisible(!archivedLocal.isEmpty());
    m_archivedLocal->setVisible(!archivedLocal.isEmpty());
    m_archivedRemoteTitle->setVisible(!archivedRemote.isEmpty());
    m_archivedRemote->setVisible(!archivedRemote.isEmpty());
    m_noArchived->setVisible(archivedLocal.isEmpty() && archivedRemote.isEmpty());
}

QWidget* SidebarView::openNewBoardDialog()
{
    auto* dialog = new NewBoardView(
        isSignedIn(), [self = QPointer(this)](const QString& name, bool cloud) {
            if (self)
                self->createBoard(name, cloud);
        },
        this);
    dialog->open();
    return dialog;
}

QWidget* SidebarView::openJoinBoardDialog()
{
    auto* dialog = new JoinBoardView(
        [self = QPointer(this)](const QString& code) {
            if (self)
                self->joinBoard(code);
        },
        this);
    dialog->open();
    return dialog;
}

void SidebarView::createBoard(const QString& name, bool cloud)
{
    QSet<QUuid> before;
    for (const Board& board : m_workspace.boards())
        before.insert(board.id);
    QCoro::connect(m_workspace.createBoard(name, cloud ? StorageOption::cloud : StorageOption::local), this,
        [this, before] {
            for (const Board& board : m_workspace.boards()) {
                if (!before.contains(board.id)) {
                    (void)m_workspace.selectBoard(board.id);
                    return;
                }
            }
        });
}

void SidebarView::joinBoard(const QString& code)
{
    QCoro::connect(m_workspace.joinBoard(code), this, [this](ApiResult<void> result) {
        if (result)
            m_toasts.showSuccess(QStringLiteral("Joined board successfully"));
        else
            m_toasts.showError(result.error().description());
    });
}
