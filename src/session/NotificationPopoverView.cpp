#include "session/NotificationPopoverView.h"

#include "session/NotificationNavigator.h"
#include "session/NotificationRowView.h"
#include "session/NotificationText.h"
#include "session/NotificationViewModel.h"
#include "session/PopoverSizing.h"
#include "session/SessionStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int popoverWidth = 360;
constexpr int popoverMargin = 12;
// The empty and error states: room for the symbol, two lines and a button.
constexpr int stateHeight = 280;

QLabel* centredLabel(const QString& text, QWidget* parent, const QString& name)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}
} // namespace

NotificationPopoverView::NotificationPopoverView(
    NotificationViewModel& viewModel, NotificationNavigator& navigator, QWidget* parent)
    : QFrame(parent)
    , m_viewModel(viewModel)
    , m_navigator(navigator)
{
    setObjectName(QStringLiteral("notificationPopover"));
    setFrameShape(QFrame::StyledPanel);
    resize(popoverWidth, maximumPopoverHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(popoverMargin, popoverMargin, popoverMargin, popoverMargin);
    layout->addWidget(makeHeader());
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(makeEmptyPage());
    m_pages->addWidget(makeErrorPage());
    m_pages->addWidget(makeListPage());
    layout->addWidget(m_pages, 1);

    connect(&m_viewModel, &NotificationViewModel::feedChanged, this, [this] {
        rebuildRows();
        showFeedState();
    });
    connect(m_pages, &QStackedWidget::currentChanged, this, &NotificationPopoverView::fitHeight);
    connect(&m_viewModel, &NotificationViewModel::lastErrorChanged, this, [this] { showFeedState(); });
    connect(&m_viewModel, &NotificationViewModel::isLoadingChanged, this, [this] { showFeedState(); });
    // Closed, not hidden: the app makes a popover per opening and deletes it on close, so a hidden
    // one would linger and keep rebuilding its rows on every feed change.
    connect(&m_viewModel, &NotificationViewModel::isPopoverPresentedChanged, this, [this](bool presented) {
        if (!presented && isVisible())
            close();
    });
    connect(&m_navigator, &NotificationNavigator::boardsChanged, this, [this] { rebuildRows(); });
    rebuildRows();
    showFeedState();
}

QWidget* NotificationPopoverView::makeHeader()
{
    auto* header = new QWidget(this);
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 8);
    auto* titles = new QVBoxLayout;
    auto* title = new QLabel(QStringLiteral("Notifications"), header);
    title->setObjectName(QStringLiteral("title"));
    SessionStyle::useTitleFont(title);
    m_unreadLabel = new QLabel(header);
    m_unreadLabel->setObjectName(QStringLiteral("unreadCount"));
    SessionStyle::useSecondaryText(m_unreadLabel);
    titles->addWidget(title);
    titles->addWidget(m_unreadLabel);
    layout->addLayout(titles, 1);

    m_readAllButton = new QPushButton(QStringLiteral("Read All"), header);
    m_readAllButton->setObjectName(QStringLiteral("readAll"));
    m_readAllButton->setToolTip(QStringLiteral("Mark all notifications as read"));
    m_readAllButton->setFlat(true);
    SessionStyle::useAccentText(m_readAllButton);
    connect(m_readAllButton, &QPushButton::clicked, this, [this] { m_viewModel.markAllRead(); });
    layout->addWidget(m_readAllButton);

    m_refreshButton = new QToolButton(header);
    m_refreshButton->setObjectName(QStringLiteral("refresh"));
    m_refreshButton->setToolTip(QStringLiteral("Refresh now"));
    m_refreshButton->setAutoRaise(true);
    SessionStyle::setSymbol(m_refreshButton, QStringLiteral("arrow.clockwise"));
    connect(m_refreshButton, &QToolButton::clicked, this, [this] { m_viewModel.refresh(); });
    layout->addWidget(m_refreshButton);
    return header;
}

QWidget* NotificationPopoverView::makeEmptyPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->addStretch();
    auto* symbol = centredLabel({}, page, QStringLiteral("emptySymbol"));
    SessionStyle::setSymbol(symbol, QStringLiteral("bell"));
    layout->addWidget(symbol);
    auto* caughtUp = centredLabel(QStringLiteral("You're all caught up"), page, QStringLiteral("emptyTitle"));
    SessionStyle::useTitleFont(caughtUp, 1);
    layout->addWidget(caughtUp);
    auto* detail = centredLabel(QStringLiteral("We'll let you know when there's something new to review."),
        page, QStringLiteral("emptyDetail"));
    SessionStyle::useSecondaryText(detail);
    layout->addWidget(detail);
    layout->addStretch();
    return page;
}

QWidget* NotificationPopoverView::makeErrorPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->addStretch();
    auto* symbol = centredLabel({}, page, QStringLiteral("errorSymbol"));
    SessionStyle::setSymbol(symbol, QStringLiteral("exclamationmark.triangle"));
    layout->addWidget(symbol);
    auto* title
        = centredLabel(QStringLiteral("Couldn't load notifications"), page, QStringLiteral("errorTitle"));
    SessionStyle::useTitleFont(title, 1);
    layout->addWidget(title);
    m_errorText = centredLabel({}, page, QStringLiteral("errorText"));
    m_errorText->setTextFormat(Qt::PlainText);
    SessionStyle::useSecondaryText(m_errorText);
    layout->addWidget(m_errorText);
    auto* retry = new QPushButton(QStringLiteral("Try Again"), page);
    retry->setObjectName(QStringLiteral("tryAgain"));
    connect(retry, &QPushButton::clicked, this, [this] { m_viewModel.refresh(); });
    layout->addWidget(retry, 0, Qt::AlignHCenter);
    layout->addStretch();
    return page;
}

QWidget* NotificationPopoverView::makeListPage()
{
    auto* scroll = new QScrollArea(this);
    m_rowsArea = scroll;
    scroll->setObjectName(QStringLiteral("rows"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    m_rowsContainer = new QWidget(scroll);
    m_rowsLayout = new QVBoxLayout(m_rowsContainer);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(4);
    m_rowsLayout->addStretch();
    scroll->setWidget(m_rowsContainer);
    return scroll;
}

NotificationPopoverView::Page NotificationPopoverView::currentPage() const
{
    return static_cast<Page>(m_pages->currentIndex());
}

void NotificationPopoverView::showFeedState()
{
    m_unreadLabel->setText(
        QString::number(m_viewModel.feed().unreadCount) + QStringLiteral(" unread in the last 7 days"));
    m_refreshButton->setEnabled(!m_viewModel.isLoading());
    if (const std::optional<QString>& error = m_viewModel.lastError()) {
        m_errorText->setText(*error);
        m_pages->setCurrentIndex(static_cast<int>(Page::error));
    } else if (m_viewModel.feed().items.isEmpty()) {
        m_pages->setCurrentIndex(static_cast<int>(Page::empty));
    } else {
        m_pages->setCurrentIndex(static_cast<int>(Page::list));
    }
}

void NotificationPopoverView::rebuildRows()
{
    while (m_rowsLayout->count() > 1) {
        QLayoutItem* item = m_rowsLayout->takeAt(0);
        delete item->widget();
        delete item;
    }
    qsizetype index = 0;
    for (const NotificationItem& notification : m_viewModel.feed().items) {
        const NotificationText text
            = NotificationText::make(notification, m_navigator.boardFor(notification));
        auto* row = new NotificationRowView(notification, text, m_rowsContainer);
        // Rows carry their notification by value: a click after the feed changed still opens it.
        connect(row, &NotificationRowView::clicked, this,
            [this, notification] { m_navigator.open(notification); });
        connect(row, &NotificationRowView::markReadRequested, this,
            [this, notification] { m_viewModel.markRead(notification); });
        m_rowsLayout->insertWidget(static_cast<int>(index++), row);
    }
    fitHeight();
}

void NotificationPopoverView::fitHeight()
{
    const int wanted = PopoverSizing::layoutHeight(layout(), popoverWidth, m_pages, [this](int width) {
        return currentPage() == Page::list ? PopoverSizing::contentHeight(m_rowsArea, width) : stateHeight;
    });
    resize(popoverWidth, std::clamp(wanted, stateHeight, maximumPopoverHeight));
}

void NotificationPopoverView::popUp(QWidget* anchor)
{
    setWindowFlags(Qt::Popup);
    if (anchor)
        move(anchor->mapToGlobal(QPoint(0, anchor->height())));
    show();
}

void NotificationPopoverView::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    m_viewModel.setPopoverPresented(true);
}

void NotificationPopoverView::hideEvent(QHideEvent* event)
{
    QFrame::hideEvent(event);
    m_viewModel.setPopoverPresented(false);
}
