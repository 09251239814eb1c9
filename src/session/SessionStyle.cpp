#include "session/SessionStyle.h"

#include "symbols/SymbolIcons.h"

#include <QAbstractButton>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

namespace SessionStyle {

QColor accent()
{
    return QColor(0x0a, 0x84, 0xff);
}

QColor secondaryText()
{
    return QColor(0x98, 0x98, 0x9d);
}

QColor emphasisedText()
{
    return QColor(0xf2, 0xf2, 0xf7);
}

QString glyph(const QString& symbol)
{
    static const QHash<QString, QString> glyphs {
        {QStringLiteral("arrow.clockwise"), QStringLiteral("⟳")},
        {QStringLiteral("bell"), QStringLiteral("🔔")},
        {QStringLiteral("exclamationmark.triangle"), QStringLiteral("⚠")},
        {QStringLiteral("envelope.fill"), QStringLiteral("✉")},
        {QStringLiteral("envelope.open"), QStringLiteral("✉")},
        {QStringLiteral("person.crop.circle"), QStringLiteral("👤")},
        {QStringLiteral("person.crop.circle.fill"), QStringLiteral("👤")},
        {QStringLiteral("wifi.exclamationmark"), QStringLiteral("⚠")},
        {QStringLiteral("sun.max.fill"), QStringLiteral("☀")},
        {QStringLiteral("moon.stars.fill"), QStringLiteral("☾")},
        {QStringLiteral("checkmark.circle.fill"), QStringLiteral("✔")},
        {QStringLiteral("rectangle.portrait.and.arrow.right"), QStringLiteral("⇥")},
        {QStringLiteral("questionmark.circle"), QStringLiteral("?")},
    };
    return glyphs.value(symbol);
}

void setSymbol(QLabel* label, const QString& symbol)
{
    label->setProperty("symbol", symbol);
    const QIcon icon = SymbolIcons::icon(symbol, label->palette().color(QPalette::WindowText));
    if (icon.isNull()) {
        label->setText(glyph(symbol));
        return;
    }
    const int side = label->fontMetrics().height();
    label->setPixmap(icon.pixmap(QSize(side, side), label->devicePixelRatioF()));
}

QIcon symbolIcon(const QString& symbol, const QColor& color)
{
    if (const QIcon icon = SymbolIcons::icon(symbol, color); !icon.isNull())
        return icon;
    QPixmap pixmap(QSize(32, 32));
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QFont font = painter.font();
    font.setPixelSize(24);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, glyph(symbol));
    painter.end();
    return QIcon(pixmap);
}

void setSymbol(QAbstractButton* button, const QString& symbol, const QColor& color)
{
    button->setProperty("symbol", symbol);
    button->setIcon(symbolIcon(symbol, color));
}

void useAccentText(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, accent());
    palette.setColor(QPalette::ButtonText, accent());
    palette.setColor(QPalette::Text, accent());
    widget->setPalette(palette);
}

void useSecondaryText(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, secondaryText());
    palette.setColor(QPalette::Text, secondaryText());
    widget->setPalette(palette);
}

void useTitleFont(QWidget* widget, int pointSizeDelta)
{
    QFont font = widget->font();
    font.setBold(true);
    if (font.pointSize() > 0)
        font.setPointSize(font.pointSize() + pointSizeDelta);
    widget->setFont(font);
}

} // namespace SessionStyle
