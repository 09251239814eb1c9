#include "app/MainContentView.h"

#include "accessible/AccessibleShortcut.h"
#include "app/BoardContentView.h"
#include "app/BoardInfoView.h"
#include "app/KeyboardShortcuts.h"
#include "app/MemberNames.h"
#include "app/Palette.h"
#include "app/TopNavigationView.h"
#include "plaintext/UntrustedText.h"
#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"
#include "symbols/SymbolIcons.h"
#include "workspace/BoardViewModel.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// `key`, when there is one, shows in the tooltip and reaches a screen reader as the button's shortcut.
QToolButton* headerButton(QWidget* parent, const QString& objectName, const QString& symbol, const QString& help,
    const QKeySequence& key = {})
{
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setIcon(SymbolIcons::icon(symbol, Palette::secondaryText(), 16));
    button->setIconSize(QSize(16, 16));
    if (!key.isEmpty())
        AccessibleShortcut::set(*button, key);
    button->setToolTip(key.isEmpty() ? help : KeyboardShortcuts::helpText(help, key));
    button->setAccessibleName(help);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::TabFocus);
    button->setFixedSize(30, 30);
    button->setStyleSheet(QStringLiteral("QToolButton { border: none; border-radius: 7px; }"
                                         "QToolButton:hover { background: %1; }"
                                         "QToolButton::menu-indicator { image: none; }")
                              .arg(Palette::hover().name())
        + Palette::focusRingRule(QStringLiteral("QToolButton")));
    return button;
}
}

MainContentView::MainContentView(const ViewContext& context, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("mainContent"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());
    layout->addWidget(buildSearchRow());

    m_boardInfo = new BoardInfoView(m_context, this);
    m_boardInfo->hide();
    auto* infoHost = new QWidget(this);
    auto* infoLayout = new QVBoxLayout(infoHost);
    infoLayout->setContentsMargins(20, 4, 20, 8);
    infoLayout->addWidget(m_boardInfo);
    infoHost->setVisible(false);
    m_boardInfo->setProperty("host", QVariant::fromValue(static_cast<QObject*>(infoHost)));
    layout->addWidget(infoHost);

    m_tabs = new TopNavigationView(this);
    layout->addWidget(m_tabs);
    m_content = new BoardContentView(m_context, this);
    layout->addWidget(m_content, 1);

    connect(m_tabs, &TopNavigationView::currentViewChosen, this, &MainContentView::setCurrentView);
    connect(m_tabs, &TopNavigationView::itemDropped, this, [this](const ItemStatusMove& move) {
        const std::optional<Board> board = m_context.workspace.findBoard(move.item.fromBoardId);
        if (!board)
            return;
        for (const Item& item : board->items) {
            if (item.id == move.item.itemId)
                m_content->requestMove(item, move.status);
        }
    });

    auto* settingsKey = new QShortcut(KeyboardShortcuts::boardSettings, this);
    connect(settingsKey, &QShortcut::activated, m_settings, &QToolButton::click);
    auto* infoKey = new QShortcut(KeyboardShortcuts::boardInfo, this);
    connect(infoKey, &QShortcut::activated, this, &MainContentView::toggleBoardInfo);
    auto* searchKey = new QShortcut(KeyboardShortcuts::searchItems, this);
    connect(searchKey, &QShortcut::activated, this, &MainContentView::openSearch);

    BoardViewModel& workspace = m_context.workspace;
    connect(&workspace, &BoardViewModel::selectedBoardChanged, this, &MainContentView::updateHeader);
    connect(&workspace, &BoardViewModel::boardsChanged, this, &MainContentView::updateHeader);
    connect(&workspace, &BoardViewModel::shouldHighlightRefreshChanged, this, &MainContentView::updateHeader);
    connect(&workspace, &BoardViewModel::syncingBoardsChanged, this, &MainContentView::updateHeader);
    updateHeader();
}

QWidget* MainContentView::buildHeader()
{
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("detailHeader"));
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(20, 18, 16, 8);
    layout->setSpacing(4);

    auto* titles = new QVBoxLayout();
    titles->setSpacing(2);
    m_title = UntrustedText::label(QString(), header);
    m_title->setObjectName(QStringLiteral("boardTitle"));
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.45);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setTextInteractionFlags(Qt::NoTextInteraction);
    m_title->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_subtitle = UntrustedText::label(QString(), header);
    m_subtitle->setObjectName(QStringLiteral("boardSubtitle"));
    m_subtitle->setStyleSheet(QStringLiteral("color: %1;").arg(Palette::secondaryText().name()));
    m_subtitle->setAttribute(Qt::WA_TransparentForMouseEvents);
    titles->addWidget(m_title);
    titles->addWidget(m_subtitle);
    layout->addLayout(titles, 1);

    m_refresh = headerButton(header, QStringLiteral("refreshButton"), QStringLiteral("arrow.clockwise"),
        QStringLiteral("Refresh board"), KeyboardShortcuts::refreshBoard);
    m_settings = headerButton(header, QStringLiteral("settingsButton"), QStringLiteral("gearshape"),
        QStringLiteral("Board settings"), KeyboardShortcuts::boardSettings);
    m_info = headerButton(header, QStringLiteral("infoButton"), QStringLiteral("info.circle"),
        QStringLiteral("Board info"), KeyboardShortcuts::boardInfo);
    m_dashboard = headerButton(header, QStringLiteral("dashboardButton"), QStringLiteral("chart.line.uptrend.xyaxis"),
        QStringLiteral("Board dashboard"));
    m_search = headerButton(header, QStringLiteral("searchButton"), QStringLiteral("magnifyingglass"),
        QStringLiteral("Search items"), KeyboardShortcuts::searchItems);
    m_filter = headerButton(header, QStringLiteral("assigneeFilterButton"), QStringLiteral("person.crop.circle"),
        QStringLiteral("Filter items by assignee"));
    m_invite = new QPushButton(QStringLiteral("Invite"), header);
    m_invite->setObjectName(QStringLiteral("inviteButton"));
    m_invite->setIcon(SymbolIcons::icon(QStringLiteral("person.badge.plus"), Qt::white, 14));
    m_invite->setCursor(Qt::PointingHandCursor);
    m_invite->setFocusPolicy(Qt::TabFocus);
    m_invite->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; "
                                           "border-radius: 7px; padding: 5px 12px; font-weight: 600; }"
                                           "QPushButton:hover { background: %2; }")
                                .arg(Palette::accent().name(), Palette::accent().lighter(112).name())
        + Palette::focusRingRule(QStringLiteral("QPushButton")));
    for (QWidget* button : { static_cast<QWidget*>(m_refresh), static_cast<QWidget*>(m_settings),
             static_cast<QWidget*>(m_info), static_cast<QWidget*>(m_dashboard), static_cast<QWidget*>(m_search),
             static_cast<QWidget*>(m_filter) })
        layout->addWidget(button, 0, Qt::AlignVCenter);
    layout->addSpacing(6);
    layout->addWidget(m_invite, 0, Qt::AlignVCenter);

    connect(m_refresh, &QToolButton::clicked, this, &MainContentView::refreshBoard);
    connect(m_settings, &QToolButton::clicked, this, [this] { Q_EMIT boardSettingsRequested(QString()); });
    connect(m_info, &QToolButton::clicked, this, &MainContentView::toggleBoardInfo);
    connect(m_dashboard, &QToolButton::clicked, this, &MainContentView::boardDashboardRequested);
    connect(m_search, &QToolButton::clicked, this, &MainContentView::openSearch);
    connect(m_filter, &QToolButton::clicked, this, [this] {
        std::unique_ptr<QMenu> menu(makeAssigneeFilterMenu(this));
        menu->exec(m_filter->mapToGlobal(QPoint(0, m_filter->height())));
    });
    connect(m_invite, &QPushButton::clicked, this, &MainContentView::tapInvite);
    return header;
}

QWidget* MainContentView::buildSearchRow()
{
    m_searchRow = new QWidget(this);
    m_searchRow->setObjectName(QStringLiteral("searchRow"));
    auto* layout = new QHBoxLayout(m_searchRow);
    layout->setContentsMargins(20, 0, 20, 8);
    layout->setSpacing(6);
    m_searchField = new QLineEdit(m_searchRow);
    m_searchField->setObjectName(QStringLiteral("searchField"));
    m_searchField->setPlaceholderText(QStringLiteral("Search"));
    m_searchField->addAction(SymbolIcons::icon(QStringLiteral("magnifyingglass"), Palette::secondaryText(), 14),
        QLineEdit::LeadingPosition);
    m_searchField->setStyleSheet(QStringLiteral("QLineEdit { background: %1; border: 1px solid %2; border-radius: 7px; "
                                                "padding: 5px 6px; color: %3; }"
                                                "QLineEdit:focus { border-color: %4; }")
                                     .arg(Palette::itemCardBackground().name(), Palette::separator().name(),
                                         Palette::primaryText().name(), Palette::accent().name()));
    auto* clear = headerButton(m_searchRow, QStringLiteral("clearSearch"), QStringLiteral("xmark.circle.fill"),
        QStringLiteral("Clear search"));
    auto* close = headerButton(m_searchRow, QStringLiteral("closeSearch"), QStringLiteral("xmark"),
        QStringLiteral("Close search"));
    layout->addWidget(m_searchField, 1);
    layout->addWidget(clear);
    layout->addWidget(close);
    clear->setVisible(false);
    connect(m_searchField, &QLineEdit::textChanged, this, [this, clear](const QString& text) {
        clear->setVisible(!text.isEmpty());
        m_context.workspace.setSearchQuery(text);
    });
    connect(clear, &QToolButton::clicked, m_searchField, &QLineEdit::clear);
    connect(close, &QToolButton::clicked, this, &MainContentView::closeSearch);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), m_searchField);
    escape->setContext(Qt::WidgetShortcut);
    connect(escape, &QShortcut::activated, this, &MainContentView::closeSearch);
    m_searchRow->hide();
    return m_searchRow;
}

void MainContentView::setCurrentView(ViewMode mode)
{
    m_tabs->setCurrentView(mode);
    m_content->setCurrentView(mode);
    if (m_currentView == mode)
        return;
    m_currentView = mode;
    Q_EMIT currentViewChanged(mode);
}

void MainContentView::refreshBoard()
{
    const Board board = m_context.workspace.selectedBoard();
    if (!board.syncWithServer || m_context.workspace.syncingBoards().contains(board.id))
        return;
    m_context.workspace.syncBoard(board, true);
}

void MainContentView::openSearch()
{
    m_searchRow->show();
    m_searchField->setFocus();
    m_searchField->selectAll();
}

void MainContentView::closeSearch()
{
    m_searchField->clear();
    m_searchRow->hide();
}

bool MainContentView::isSearchOpen() const
{
    return m_searchRow->isVisibleTo(this);
}

void MainContentView::setAssigneeFilter(const AssigneeFilter& filter)
{
    m_assigneeFilter = filter;
    m_content->setAssigneeFilter(filter);
    updateHeader();
}

QMenu* MainContentView::makeAssigneeFilterMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("assigneeFilterMenu"));
    menu->setAccessibleName(QStringLiteral("Filter by assignee"));
    const QList<BoardUser> users = m_context.workspace.selectedBoard().users;
    if (users.isEmpty())
        menu->addAction(QStringLiteral("No board users yet"))->setEnabled(false);
    for (const BoardUser& user : users) {
        QAction* action = menu->addAction(MemberNames::name(user));
        action->setCheckable(true);
        action->setChecked(m_assigneeFilter.memberId == user.userId);
        const QUuid id = user.userId;
        connect(action, &QAction::triggered, this, [this, id] { setAssigneeFilter({ id, false }); });
    }
    menu->addSeparator();
    QAction* without = menu->addAction(QStringLiteral("Without Assignee"));
    without->setCheckable(true);
    without->setChecked(m_assigneeFilter.withoutAssignee);
    connect(without, &QAction::triggered, this, [this] { setAssigneeFilter({ std::nullopt, true }); });
    QAction* clear = menu->addAction(
        SymbolIcons::icon(QStringLiteral("line.3.horizontal.decrease.circle"), Palette::primaryText(), 14),
        QStringLiteral("Clear Filter"));
    clear->setEnabled(m_assigneeFilter.isActive());
    connect(clear, &QAction::triggered, this, [this] { setAssigneeFilter({}); });
    return menu;
}

void MainContentView::toggleBoardInfo()
{
    auto* host = qobject_cast<QWidget*>(m_boardInfo->property("host").value<QObject*>());
    const bool show = !isShowingBoardInfo();
    m_boardInfo->setVisible(show);
    if (host)
        host->setVisible(show);
    if (show)
        m_boardInfo->refresh();
}

bool MainContentView::isShowingBoardInfo() const
{
    return m_boardInfo->isVisibleTo(this);
}

void MainContentView::tapInvite()
{
    Q_EMIT boardSettingsRequested(QStringLiteral("users"));
    const int count = m_context.preferences.get(PreferenceKeys::inviteButtonTapCount());
    if (count < inviteTapLimit)
        m_context.preferences.set(count + 1, PreferenceKeys::inviteButtonTapCount());
    updateHeader();
}

bool MainContentView::isPostInvite() const
{
    return m_context.preferences.get(PreferenceKeys::inviteButtonTapCount()) >= inviteTapLimit;
}

void MainContentView::updateHeader()
{
    const Board& board = m_context.workspace.selectedBoard();
    m_title->setText(board.name);
    const bool cloud = board.syncWithServer;
    const bool postInvite = isPostInvite();
    QString subtitle = cloud ? QStringLiteral("Cloud board") : QStringLiteral("On this computer");
    if (!board.isActive)
        subtitle = QStringLiteral("Archived board");
    if (cloud && postInvite && board.isActive)
        subtitle = QStringLiteral("You can invite teammates from Board Settings whenever you need to.");
    m_subtitle->setText(subtitle);

    m_refresh->setEnabled(cloud && !m_context.workspace.syncingBoards().contains(board.id));
    m_refresh->setToolTip(cloud
            ? KeyboardShortcuts::helpText(QStringLiteral("Refresh board"), KeyboardShortcuts::refreshBoard)
            : QStringLiteral("Refresh is only available for cloud boards"));
    const bool highlight = cloud && m_context.workspace.shouldHighlightRefresh();
    m_refresh->setIcon(SymbolIcons::icon(QStringLiteral("arrow.clockwise"),
        highlight ? Palette::accent() : Palette::secondaryText(), 16));

    m_invite->setVisible(cloud && board.isActive && !postInvite);

    if (m_assigneeFilter.withoutAssignee)
        m_filter->setToolTip(QStringLiteral("Filtering items without an assignee"));
    else if (m_assigneeFilter.memberId)
        m_filter->setToolTip(QStringLiteral("Filtering items by selected assignee"));
    else
        m_filter->setToolTip(QStringLiteral("Filter items by assignee"));
    m_filter->setIcon(SymbolIcons::icon(QStringLiteral("person.crop.circle"),
        m_assigneeFilter.isActive() ? Palette::accent() : Palette::secondaryText(), 16));
    updateCounts();
}

void MainContentView::updateCounts()
{
    const ColumnCounts columns = m_context.workspace.selectedBoard().columnCounts();
    std::array<int, 3> counts { 0, 0, 0 };
    for (const ItemStatus status : allItemStatuses)
        counts.at(static_cast<size_t>(status)) = int(columns.liveIn(status));
    m_tabs->setCounts(counts);
}
