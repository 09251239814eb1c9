#include "app/sidebar/SidebarDividerView.h"

#include "app/Palette.h"
#include "symbols/SymbolIcons.h"
#include "app/sidebar/SidebarDividerPalette.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QToolButton>

namespace {
QColor lineColor(SidebarDividerColor color)
{
    return sidebarDividerDisplayColor(color, Palette::accent());
}

QIcon dotIcon(const QColor& color)
{
    QPixmap pixmap(20, 20);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Palette::secondaryText(), 1));
    painter.setBrush(color);
    painter.drawEllipse(QRectF(1, 1, 8, 8));
    return QIcon(pixmap);
}
}

SidebarDividerView::SidebarDividerView(SidebarDivider divider, QWidget* parent)
    : QWidget(parent)
    , m_divider(divider)
{
    setObjectName(QStringLiteral("sidebarDivider"));
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 12, 0);
    layout->setSpacing(2);
    layout->addStretch();

    m_colorButton = new QToolButton(this);
    m_colorButton->setObjectName(QStringLiteral("dividerColorButton"));
    m_colorButton->setAutoRaise(true);
    m_colorButton->setIcon(dotIcon(lineColor(m_divider.color)));
    m_colorButton->setIconSize(QSize(10, 10));
    m_colorButton->setFixedSize(14, 14);
    m_colorButton->setToolTip(QStringLiteral("Divider Color"));
    m_colorButton->setAccessibleName(QStringLiteral("Divider Color"));

    m_deleteButton = new QToolButton(this);
    m_deleteButton->setObjectName(QStringLiteral("deleteDividerButton"));
    m_deleteButton->setAutoRaise(true);
    m_deleteButton->setIcon(SymbolIcons::icon(QStringLiteral("trash"), Palette::secondaryText(), 10));
    m_deleteButton->setIconSize(QSize(10, 10));
    m_deleteButton->setFixedSize(14, 14);
    m_deleteButton->setToolTip(QStringLiteral("Delete Divider"));
    m_deleteButton->setAccessibleName(QStringLiteral("Delete Divider"));
    layout->addWidget(m_colorButton);
    layout->addWidget(m_deleteButton);

    connect(m_colorButton, &QToolButton::clicked, this, [this] { showPalette(); });
    connect(m_deleteButton, &QToolButton::clicked, this, [this] { Q_EMIT deleteRequested(m_divider.id); });
    setHovered(false);
}

void SidebarDividerView::setHovered(bool hovered)
{
    m_hovered = hovered;
    m_colorButton->setVisible(hovered);
    m_deleteButton->setVisible(hovered);
    update();
}

void SidebarDividerView::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(lineColor(m_divider.color), 1.5);
    pen.setDashPattern({2.0, 2.5});
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    const int right = m_hovered ? m_colorButton->geometry().left() - 6 : width() - 16;
    const qreal y = height() / 2.0;
    painter.drawLine(QPointF(18, y), QPointF(right, y));
}

void SidebarDividerView::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    setHovered(true);
}

void SidebarDividerView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    setHovered(false);
}

QMenu* SidebarDividerView::makeContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setAccessibleName(QStringLiteral("Divider actions"));
    QMenu* colors = menu->addMenu(QStringLiteral("Divider Color"));
    colors->setObjectName(QStringLiteral("dividerColorMenu"));
    for (SidebarDividerColor color : allSidebarDividerColors) {
        QAction* action = colors->addAction(dotIcon(lineColor(color)), sidebarDividerColorLabel(color));
        action->setCheckable(true);
        action->setChecked(color == m_divider.color);
        const QUuid id = m_divider.id;
        connect(action, &QAction::triggered, this, [this, id, color] { Q_EMIT colorChosen(id, color); });
    }
    QAction* remove = menu->addAction(
        SymbolIcons::icon(QStringLiteral("trash"), Palette::primaryText(), 14), QStringLiteral("Delete Divider"));
    const QUuid id = m_divider.id;
    connect(remove, &QAction::triggered, this, [this, id] { Q_EMIT deleteRequested(id); });
    return menu;
}

QWidget* SidebarDividerView::showPalette()
{
    auto* palette = new SidebarDividerPalette(m_divider.color, this);
    const QUuid id = m_divider.id;
    connect(palette, &SidebarDividerPalette::colorChosen, this,
        [this, id](SidebarDividerColor color) { Q_EMIT colorChosen(id, color); });
    palette->adjustSize();
    palette->move(m_colorButton->mapToGlobal(QPoint(m_colorButton->width() - palette->width(), m_colorButton->height() + 2)));
    palette->show();
    return palette;
}

void SidebarDividerView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = makeContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
