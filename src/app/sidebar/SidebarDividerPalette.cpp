#include "app/sidebar/SidebarDividerPalette.h"

#include "app/Palette.h"
#include "symbols/SymbolIcons.h"

#include <QGridLayout>
#include <QPainter>
#include <QToolButton>

namespace {
constexpr int swatchSize = 22;

QIcon swatchIcon(const QColor& color, bool checked)
{
    QPixmap pixmap(swatchSize * 2, swatchSize * 2);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(1, 1, swatchSize - 2, swatchSize - 2));
    if (checked) {
        const QPixmap check = SymbolIcons::pixmap(QStringLiteral("checkmark"), Qt::white, 12);
        if (!check.isNull()) {
            painter.drawPixmap(QRect(5, 5, 12, 12), check);
        } else {
            painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.setBrush(Qt::NoBrush);
            painter.drawPolyline(QPolygonF({QPointF(6.5, 11.5), QPointF(9.5, 14.5), QPointF(15.5, 7.5)}));
        }
    }
    return QIcon(pixmap);
}
}

SidebarDividerPalette::SidebarDividerPalette(SidebarDividerColor current, QWidget* parent)
    : QFrame(parent, Qt::Popup)
{
    setObjectName(QStringLiteral("sidebarDividerPalette"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setSpacing(6);
    int position = 0;
    for (SidebarDividerColor color : allSidebarDividerColors) {
        auto* swatch = new QToolButton(this);
        swatch->setObjectName(QStringLiteral("swatch-") + sidebarDividerColorText(color));
        swatch->setAutoRaise(true);
        swatch->setIconSize(QSize(swatchSize, swatchSize));
        QColor shown = sidebarDividerDisplayColor(color, Palette::accent());
        if (color == SidebarDividerColor::subtleGray)
            shown.setAlphaF(1.0f); // a 35 % grey dot would be hard to hit; the line keeps its opacity
        swatch->setIcon(swatchIcon(shown, color == current));
        swatch->setToolTip(sidebarDividerColorLabel(color));
        swatch->setAccessibleName(sidebarDividerColorLabel(color));
        swatch->setCheckable(true);
        swatch->setChecked(color == current);
        connect(swatch, &QToolButton::clicked, this, [this, color] {
            Q_EMIT colorChosen(color);
            close();
        });
        grid->addWidget(swatch, position / 3, position % 3);
        m_swatches.append(swatch);
        ++position;
    }
}
