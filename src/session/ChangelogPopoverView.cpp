#include "session/ChangelogPopoverView.h"

#include "session/ChangelogViewModel.h"
#include "session/PopoverSizing.h"
#include "session/SessionStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int popoverWidth = 380;
constexpr int popoverMargin = 14;
constexpr int minimumPopoverHeight = 160;
} // namespace

ChangelogPopoverView::ChangelogPopoverView(
    ChangelogViewModel& viewModel, std::optional<QString> currentVersion, QWidget* parent)
    : QFrame(parent)
    , m_viewModel(viewModel)
    , m_currentVersion(std::move(currentVersion))
{
    setObjectName(QStringLiteral("changelogPopover"));
    setFrameShape(QFrame::StyledPanel);
    resize(popoverWidth, maximumPopoverHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(popoverMargin, popoverMargin, popoverMargin, popoverMargin);

    auto* title = new QLabel(QStringLiteral("Changelog"), this);
    title->setObjectName(QStringLiteral("title"));
    SessionStyle::useTitleFont(title);
    layout->addWidget(title);
    if (m_currentVersion) {
        auto* version = new QLabel(QStringLiteral("Your version: v") + *m_currentVersion, this);
        version->setObjectName(QStringLiteral("currentVersion"));
        SessionStyle::useSecondaryText(version);
        layout->addWidget(version);
    }

    m_loading = new QLabel(QStringLiteral("Refreshing changelog…"), this);
    m_loading->setObjectName(QStringLiteral("loading"));
    layout->addWidget(m_loading);

    m_empty = new QWidget(this);
    m_empty->setObjectName(QStringLiteral("empty"));
    auto* emptyLayout = new QVBoxLayout(m_empty);
    auto* emptyText = new QLabel(QStringLiteral("No changelog entries available."), m_empty);
    emptyText->setObjectName(QStringLiteral("emptyText"));
    emptyText->setAlignment(Qt::AlignCenter);
    emptyLayout->addWidget(emptyText);
    auto* retry = new QPushButton(QStringLiteral("Retry"), m_empty);
    retry->setObjectName(QStringLiteral("retry"));
    connect(retry, &QPushButton::clicked, this, [this] { m_viewModel.loadChangelog(); });
    emptyLayout->addWidget(retry, 0, Qt::AlignHCenter);
    layout->addWidget(m_empty);

    m_mismatch = new QLabel(mismatchNote, this);
    m_mismatch->setObjectName(QStringLiteral("mismatchNote"));
    m_mismatch->setWordWrap(true);
    SessionStyle::useSecondaryText(m_mismatch);
    layout->addWidget(m_mismatch);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("entries"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    m_list = new QWidget(scroll);
    m_entriesLayout = new QVBoxLayout(m_list);
    m_entriesLayout->setContentsMargins(0, 0, 0, 0);
    m_entriesLayout->addStretch();
    scroll->setWidget(m_list);
    layout->addWidget(scroll, 1);
    m_list = scroll;
    m_entriesArea = scroll;

    connect(&m_viewModel, &ChangelogViewModel::entriesChanged, this, [this] {
        rebuildEntries();
        showEntries();
    });
    connect(&m_viewModel, &ChangelogViewModel::isLoadingChanged, this, [this] { showEntries(); });
    rebuildEntries();
    showEntries();
}

void ChangelogPopoverView::popUp(QWidget* anchor)
{
    setWindowFlags(Qt::Popup);
    if (anchor)
        move(anchor->mapToGlobal(QPoint(anchor->width(), 0)));
    show();
}

void ChangelogPopoverView::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    if (m_viewModel.entries().isEmpty() && !m_viewModel.isLoading())
        m_viewModel.loadChangelog();
}

void ChangelogPopoverView::showEntries()
{
    const bool hasEntries = !m_viewModel.entries().isEmpty();
    m_loading->setVisible(m_viewModel.isLoading() && !hasEntries);
    m_empty->setVisible(!m_viewModel.isLoading() && !hasEntries);
    m_list->setVisible(hasEntries);
    const bool listsCurrent = m_currentVersion
        && std::ranges::any_of(m_viewModel.entries(),
            [this](const ChangelogEntry& entry) { return entry.version == *m_currentVersion; });
    m_mismatch->setVisible(hasEntries && !listsCurrent);
    fitHeight();
}

void ChangelogPopoverView::fitHeight()
{
    const int wanted = PopoverSizing::layoutHeight(layout(), popoverWidth, m_entriesArea,
        [this](int width) { return PopoverSizing::contentHeight(m_entriesArea, width); });
    resize(popoverWidth, std::clamp(wanted, minimumPopoverHeight, maximumPopoverHeight));
}

void ChangelogPopoverView::rebuildEntries()
{
    while (m_entriesLayout->count() > 1) {
        QLayoutItem* item = m_entriesLayout->takeAt(0);
        delete item->widget();
        delete item;
    }
    int index = 0;
    for (const ChangelogEntry& entry : m_viewModel.entries())
        m_entriesLayout->insertWidget(index++, makeEntry(entry.version, entry.changes));
}

QWidget* ChangelogPopoverView::makeEntry(const QString& version, const QStringList& changes)
{
    auto* entry = new QWidget;
    entry->setObjectName(QStringLiteral("entry"));
    entry->setProperty("version", version);
    auto* layout = new QVBoxLayout(entry);
    layout->setContentsMargins(0, 6, 0, 6);
    auto* heading = new QHBoxLayout;
    auto* versionLabel = new QLabel(version, entry);
    versionLabel->setObjectName(QStringLiteral("version"));
    versionLabel->setTextFormat(Qt::PlainText);
    SessionStyle::useTitleFont(versionLabel, 1);
    heading->addWidget(versionLabel);
    // The exact text: a "v1.4.0" key is not the running 1.4.0.
    if (m_currentVersion && version == *m_currentVersion) {
        auto* badge = new QLabel(QStringLiteral("current build"), entry);
        badge->setObjectName(QStringLiteral("currentBuildBadge"));
        SessionStyle::useAccentText(badge);
        heading->addWidget(badge);
    }
    heading->addStretch();
    layout->addLayout(heading);
    for (const QString& change : changes) {
        auto* bullet = new QLabel(QStringLiteral("•  ") + change, entry);
        bullet->setObjectName(QStringLiteral("change"));
        bullet->setTextFormat(Qt::PlainText);
        bullet->setWordWrap(true);
        layout->addWidget(bullet);
    }
    return entry;
}
