#include "app/TopNavigationView.h"

#include "app/AppAccessibility.h"
#include "app/Palette.h"
#include "app/StatusTabAccessible.h"

#include <QAccessible>

#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QToolButton>

namespace {
const std::array<QString, 3> tabTitles { QStringLiteral("Todo"), QStringLiteral("In Progress"),
    QStringLiteral("Done") };
const std::array<QString, 3> tabNames { QStringLiteral("tabTodo"), QStringLiteral("tabInProgress"),
    QStringLiteral("tabDone") };
}

TopNavigationView::TopNavigationView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("topNavigation"));
    AppAccessibility::install();
    setAccessibleName(QStringLiteral("Item status"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(20, 0, 20, 0);
    layout->setSpacing(22);
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        auto* tab = new QToolButton(this);
        tab->setObjectName(tabNames.at(i));
        tab->setProperty(StatusTabAccessible::tabProperty, tabTitles.at(i));
        tab->setAutoRaise(true);
        tab->setCursor(Qt::PointingHandCursor);
        tab->setFocusPolicy(Qt::TabFocus);
        tab->setCheckable(true);
        tab->setAcceptDrops(true);
        tab->installEventFilter(this);
        const auto mode = static_cast<ViewMode>(i);
        connect(tab, &QToolButton::clicked, this, [this, mode] {
            setCurrentView(mode);
            Q_EMIT currentViewChosen(mode);
        });
        m_tabs.at(i) = tab;
        layout->addWidget(tab);
    }
    layout->addStretch(1);
    setFixedHeight(38);
    updateTabs();
}

void TopNavigationView::setCurrentView(ViewMode mode)
{
    m_current = mode;
    updateTabs();
}

void TopNavigationView::setCounts(const std::array<int, 3>& counts)
{
    m_counts = counts;
    updateTabs();
}

QString TopNavigationView::tabText(ViewMode mode) const
{
    const auto index = static_cast<size_t>(mode);
    return QStringLiteral("%1 (%2)").arg(tabTitles.at(index)).arg(m_counts.at(index));
}

void TopNavigationView::updateTabs()
{
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        const bool selected = static_cast<size_t>(m_current) == i;
        QToolButton* tab = m_tabs.at(i);
        const bool wasSelected = tab->isChecked();
        const int count = m_counts.at(i);
        const bool countChanged = tab->property(StatusTabAccessible::countProperty).toInt() != count;
        tab->setProperty(StatusTabAccessible::countProperty, count);
        tab->setText(tabText(static_cast<ViewMode>(i)));
        QFont font = tab->font();
        font.setBold(selected);
        tab->setFont(font);
        // Selected is how a screen reader learns which tab is shown; checked keeps the look.
        tab->setChecked(selected);
        if (wasSelected != selected) {
            QAccessible::State changed;
            changed.selected = true;
            QAccessibleStateChangeEvent event(tab, changed);
            QAccessible::updateAccessibility(&event);
        }
        if (countChanged) {
            QAccessibleEvent event(tab, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&event);
        }
        tab->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 8px 0 10px 0; color: %1; }"
                                          "QToolButton:checked { background: transparent; }"
                                          "QToolButton:focus { border: 2px solid %2; border-radius: 5px; "
                                          "padding: 6px 2px 8px 2px; }")
                               .arg((selected ? Palette::primaryText() : Palette::secondaryText()).name(),
                                   Palette::focusRing().name()));
    }
    update();
}

bool TopNavigationView::eventFilter(QObject* watched, QEvent* event)
{
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        if (watched != m_tabs.at(i))
            continue;
        if (event->type() == QEvent::KeyPress) {
            // Left and Right move between the tabs and show the one reached, like a tab bar.
            const int key = static_cast<QKeyEvent*>(event)->key();
            const int step = key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : 0;
            const int next = static_cast<int>(i) + step;
            if (step != 0 && next >= 0 && next < static_cast<int>(m_tabs.size())) {
                m_tabs.at(static_cast<size_t>(next))->setFocus(Qt::TabFocusReason);
                m_tabs.at(static_cast<size_t>(next))->click();
                return true;
            }
        } else if (event->type() == QEvent::DragEnter) {
            auto* drag = static_cast<QDragEnterEvent*>(event);
            if (!droppedItems(drag->mimeData()).isEmpty()) {
                drag->acceptProposedAction();
                return true;
            }
        } else if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            const auto move = itemDropOnStatusTab(droppedItems(drop->mimeData()), allItemStatuses.at(i));
            if (move) {
                drop->acceptProposedAction();
                Q_EMIT itemDropped(*move);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TopNavigationView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(Palette::separator());
    painter.drawLine(0, height() - 1, width(), height() - 1);
    const QToolButton* selected = m_tabs.at(static_cast<size_t>(m_current));
    const QRect geometry = selected->geometry();
    painter.fillRect(QRect(geometry.left(), height() - 2, geometry.width(), 2),
        Palette::statusColor(static_cast<int>(m_current)).lighter(110));
}
