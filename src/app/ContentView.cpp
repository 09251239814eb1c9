#include "app/ContentView.h"

#include "app/AppNotifications.h"
#include "app/BoardContentView.h"
#include "app/KeyboardActivation.h"
#include "app/MainContentView.h"
#include "app/MemberNames.h"
#include "app/NotificationCenter.h"
#include "app/Palette.h"
#include "app/RailButton.h"
#include "app/RailView.h"
#include "app/ToastView.h"
#include "app/sidebar/SidebarView.h"
#include "app/TopNavigationView.h"
#include "insights/BoardDashboardWindow.h"
#include "insights/BoardsOverviewView.h"
#include "session/AccountDetailsView.h"
#include "session/AuthState.h"
#include "session/SignInView.h"
#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"
#include "workspace/BoardViewModel.h"
#include "workspace/settings/BoardSettingsWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolButton>
#include <QHBoxLayout>
#include <QPointer>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
QCoro::Task<void> fetchBoardDetails(QPointer<BoardViewModel> workspace, QUuid boardId)
{
    if (!workspace)
        co_return;
    if (const std::optional<Board> board = workspace->findBoard(boardId))
        co_await workspace->refreshBoardDetails(*board);
}

// The foot of the sidebar column, drawn like the sidebar above it.
class SidebarFooter : public QWidget
{
public:
    explicit SidebarFooter(QWidget* content, QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("sidebarFooter"));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 1, 0);
        layout->addWidget(content);
    }

protected:
    void paintEvent(QPaintEvent*) override { Palette::paintSidebarSurface(this); }
};

bool isInWorkspace(const BoardViewModel& workspace, const QUuid& id)
{
    const QList<Board>& boards = workspace.boards();
    return std::any_of(boards.begin(), boards.end(), [&id](const Board& board) { return board.id == id; });
}
}

ContentView::ContentView(const ViewContext& context, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("contentView"));
    KeyboardActivation::install();
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, Palette::mainContentBackground());
    setPalette(background);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_rail = new RailView(this);
    m_sidebarColumn = new QWidget(this);
    m_sidebarColumn->setObjectName(QStringLiteral("sidebarColumn"));
    auto* columnLayout = new QVBoxLayout(m_sidebarColumn);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->setSpacing(0);
    m_sidebar = new SidebarView({m_context.workspace, m_context.preferences, m_context.toasts, m_context.auth,
                                    &m_context.notifications, false},
        m_sidebarColumn);
    columnLayout->addWidget(m_sidebar, 1);
    m_stack = new QStackedWidget(this);
    m_main = new MainContentView(m_context, m_stack);
    m_overview = new BoardsOverviewView(m_stack);
    m_overview->setObjectName(QStringLiteral("boardsOverview"));
    QPointer<BoardViewModel> workspace(&m_context.workspace);
    m_overview->setFetchBoardDetails(
        [workspace](QUuid boardId) { return fetchBoardDetails(workspace, boardId); });
    m_stack->addWidget(m_main);
    m_stack->addWidget(m_overview);
    layout->addWidget(m_rail);
    layout->addWidget(m_sidebarColumn);
    layout->addWidget(m_stack, 1);

    // A child of the whole view, not of the stack: a stacked widget shows assistive technology only
    // its pages, and the banner must be found to be read out.
    m_toast = new ToastView(m_context.toasts, this);

    connect(m_rail, &RailView::selectionChanged, this, &ContentView::setRailSelection);
    connect(m_rail, &RailView::notificationsRequested, this,
        [this] { Q_EMIT notificationsRequested(m_rail->button(QStringLiteral("railNotifications"))); });
    connect(m_rail, &RailView::changelogRequested, this,
        [this] { Q_EMIT changelogRequested(m_rail->button(QStringLiteral("railChangelog"))); });
    connect(m_rail, &RailView::feedbackRequested, this, &ContentView::feedbackRequested);
    connect(m_rail, &RailView::accountRequested, this,
        [this] { openWindow(AccountDetailsView::windowIdentifier); });
    connect(m_rail, &RailView::signInRequested, this, &ContentView::openSignIn);
    connect(m_main, &MainContentView::boardSettingsRequested, this,
        [this](const QString& value) { openWindow(BoardSettingsWindow::identifier(), value); });
    connect(m_main, &MainContentView::boardDashboardRequested, this,
        [this] { openWindow(QString::fromLatin1(BoardDashboardWindow::identifier)); });
    connect(m_sidebar, &SidebarView::modeChangeRequested, this, [this](SidebarMode mode) {
        setRailSelection(
            mode == SidebarMode::archived ? RailSelection::archivedBoards : RailSelection::activeBoards);
    });
    connect(m_sidebar, &SidebarView::hideSidebarRequested, this, [this] { setSidebarVisible(false); });

    BoardViewModel& ws = m_context.workspace;
    connect(&ws, &BoardViewModel::selectedBoardChanged, this, &ContentView::storeSelection);
    connect(&ws, &BoardViewModel::boardsChanged, this, [this] {
        if (m_stack->currentWidget() == m_overview)
            m_overview->setBoards(m_context.workspace.boards());
    });
    if (m_context.auth) {
        // The sidebar reloads the boards on every sign-in change.
        connect(m_context.auth, &AuthState::isLoggedInChanged, this, &ContentView::updateAccount);
        connect(m_context.auth, &AuthState::currentUserChanged, this, &ContentView::updateAccount);
    }
    observeNotifications();
    updateAccount();
}

void ContentView::showColumn(ViewMode mode)
{
    m_main->setCurrentView(mode);
    // The keyboard goes to the tab shown, so a screen reader says which column this is and how many
    // items it holds; never out of text being written.
    const QWidget* focus = QApplication::focusWidget();
    const bool writing = qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QTextEdit*>(focus)
        || qobject_cast<const QPlainTextEdit*>(focus);
    if (!writing && m_stack->currentWidget() == m_main && m_main->isVisible())
        m_main->tabs()->tab(mode)->setFocus(Qt::ShortcutFocusReason);
}

void ContentView::observeNotifications()
{
    NotificationCenter& center = m_context.notifications;
    center.observe(AppNotification::requestTodoTab, this, [this] { showColumn(ViewMode::todo); });
    center.observe(AppNotification::requestInProgressTab, this, [this] { showColumn(ViewMode::inProgress); });
    center.observe(AppNotification::requestDoneTab, this, [this] { showColumn(ViewMode::done); });
    center.observe(AppNotification::requestSidebarToggle, this, [this] { setSidebarVisible(!isSidebarVisible()); });
    center.observe(AppNotification::requestNewItemEditor, this, [this] {
        if (m_stack->currentWidget() != m_main)
            setRailSelection(RailSelection::activeBoards);
        m_main->content()->openNewItemEditor();
    });
    center.observe(AppNotification::requestBoardRefresh, this, [this] { m_main->refreshBoard(); });
}

ViewMode ContentView::currentView() const
{
    return m_main->currentView();
}

bool ContentView::isSidebarVisible() const
{
    return m_sidebarColumn->isVisibleTo(this);
}

SidebarMode ContentView::sidebarMode() const
{
    return m_sidebar->mode();
}

void ContentView::setSidebarVisible(bool visible)
{
    m_sidebarColumn->setVisible(visible);
    // The account control lives at the sidebar's foot; with the sidebar hidden the rail's own
    // account button keeps the account window within reach.
    m_rail->setAccountButtonHidden(m_accountControl && visible);
}

void ContentView::setAccountControl(QWidget* control)
{
    m_accountControl = new SidebarFooter(control, m_sidebarColumn);
    m_sidebarColumn->layout()->addWidget(m_accountControl);
    m_rail->setAccountButtonHidden(isSidebarVisible());
    updateAccount();
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_started && !m_starting)
        start();
}

QCoro::Task<void> ContentView::start()
{
    if (m_started || m_starting)
        co_return;
    m_starting = true;
    QPointer<ContentView> self(this);
    // Read before loading: the load's own selection repair would otherwise overwrite it.
    const std::optional<QUuid> storedId = m_context.preferences.get(PreferenceKeys::selectedBoardId());
    co_await reloadBoards();
    if (!self)
        co_return;
    BoardViewModel& workspace = m_context.workspace;
    if (workspace.boards().isEmpty()) {
        co_await workspace.createBoard(firstBoardName, StorageOption::local);
        if (!self)
            co_return;
        if (!workspace.boards().isEmpty() && !isInWorkspace(workspace, workspace.selectedBoard().id))
            co_await workspace.selectBoard(workspace.boards().first().id);
    } else if (storedId && isInWorkspace(workspace, *storedId)) {
        co_await workspace.selectBoard(*storedId);
    }
    if (!self)
        co_return;
    m_starting = false;
    m_started = true;
    storeSelection();
}

QCoro::Task<void> ContentView::reloadBoards()
{
    QPointer<BoardViewModel> workspace(&m_context.workspace);
    if (m_context.isSignedIn())
        co_await workspace->refreshBoardsFromServer(false);
    else
        workspace->loadBoards(false);
}

void ContentView::storeSelection()
{
    if (!m_started)
        return;
    const QUuid id = m_context.workspace.selectedBoard().id;
    if (isInWorkspace(m_context.workspace, id))
        m_context.preferences.set(std::optional<QUuid>(id), PreferenceKeys::selectedBoardId());
}

void ContentView::setRailSelection(RailSelection selection)
{
    m_rail->setSelection(selection);
    switch (selection) {
    case RailSelection::activeBoards:
    case RailSelection::favorites:
        m_sidebar->setMode(SidebarMode::active);
        m_stack->setCurrentWidget(m_main);
        break;
    case RailSelection::archivedBoards:
        m_sidebar->setMode(SidebarMode::archived);
        m_stack->setCurrentWidget(m_main);
        break;
    case RailSelection::boardsOverview:
        m_overview->setBoards(m_context.workspace.boards());
        m_stack->setCurrentWidget(m_overview);
        break;
    }
}

void ContentView::updateAccount()
{
    QString initials;
    if (m_context.auth && m_context.auth->currentUser()) {
        const User& user = *m_context.auth->currentUser();
        initials = MemberNames::initials(user.displayName.value_or(user.email));
    }
    m_rail->setSignedIn(m_context.isSignedIn(), initials.isEmpty() ? QStringLiteral("?") : initials);
    // Signed out, the rail's "Sign In" takes its place.
    if (m_accountControl)
        m_accountControl->setVisible(m_context.isSignedIn());
}

SignInView* ContentView::signInView() const
{
    return m_signIn;
}

void ContentView::openSignIn()
{
    if (!m_context.auth || m_context.auth->isLoggedIn())
        return;
    if (m_signIn) {
        m_signIn->raise();
        m_signIn->activateWindow();
        return;
    }
    m_signIn = new SignInView(m_context.api, m_context.preferences, window());
    m_signIn->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_signIn, &SignInView::continueRequested, this, [this] {
        if (m_context.auth && !m_context.auth->isLoggedIn())
            m_context.auth->startSignIn();
    });
    m_signIn->open();
}

void ContentView::openWindow(const QString& identifier, const QString& value)
{
    Q_EMIT closeAuxiliaryWindowsRequested();
    Q_EMIT windowRequested(identifier, value);
}
