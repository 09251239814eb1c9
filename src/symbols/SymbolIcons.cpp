#include "symbols/SymbolIcons.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

// The icons live in a static library: their resources must be registered by hand once.
static void ensureIconResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace {
// Symbol → icon file (without ".svg").
const QHash<QString, QString>& symbolTable()
{
    static const QHash<QString, QString> table {
        { QStringLiteral("rectangle.stack"), QStringLiteral("layers") },
        { QStringLiteral("archivebox"), QStringLiteral("archive") },
        { QStringLiteral("archivebox.fill"), QStringLiteral("archive-restore") },
        { QStringLiteral("chart.line.uptrend.xyaxis"), QStringLiteral("chart-line") },
        { QStringLiteral("bell"), QStringLiteral("bell") },
        { QStringLiteral("doc.text"), QStringLiteral("file-text") },
        { QStringLiteral("questionmark.bubble"), QStringLiteral("message-circle-question") },
        { QStringLiteral("arrow.clockwise"), QStringLiteral("rotate-cw") },
        { QStringLiteral("gearshape"), QStringLiteral("settings") },
        { QStringLiteral("info.circle"), QStringLiteral("info") },
        { QStringLiteral("magnifyingglass"), QStringLiteral("search") },
        { QStringLiteral("person.crop.circle"), QStringLiteral("circle-user") },
        { QStringLiteral("person.crop.circle.badge.xmark"), QStringLiteral("user-round-x") },
        { QStringLiteral("person.badge.plus"), QStringLiteral("user-plus") },
        { QStringLiteral("line.3.horizontal.decrease.circle"), QStringLiteral("list-filter") },
        { QStringLiteral("xmark.circle.fill"), QStringLiteral("circle-x") },
        { QStringLiteral("xmark"), QStringLiteral("x") },
        { QStringLiteral("chevron.right"), QStringLiteral("chevron-right") },
        { QStringLiteral("chevron.down"), QStringLiteral("chevron-down") },
        { QStringLiteral("pencil"), QStringLiteral("pencil") },
        { QStringLiteral("pause.circle"), QStringLiteral("circle-pause") },
        { QStringLiteral("scope"), QStringLiteral("crosshair") },
        { QStringLiteral("checkmark.circle.fill"), QStringLiteral("circle-check") },
        { QStringLiteral("exclamationmark.circle.fill"), QStringLiteral("circle-alert") },
        { QStringLiteral("sparkles"), QStringLiteral("sparkles") },
        { QStringLiteral("trash"), QStringLiteral("trash-2") },
        { QStringLiteral("doc.on.doc"), QStringLiteral("copy") },
        { QStringLiteral("calendar.badge.plus"), QStringLiteral("calendar-plus") },
        { QStringLiteral("clock.arrow.circlepath"), QStringLiteral("history") },
        { QStringLiteral("square.fill.on.square.fill"), QStringLiteral("combine") },
        { QStringLiteral("star"), QStringLiteral("star") },
        { QStringLiteral("plus"), QStringLiteral("plus") },
        { QStringLiteral("minus"), QStringLiteral("minus") },
        { QStringLiteral("arrow.up.left.and.arrow.down.right"), QStringLiteral("maximize-2") },
        { QStringLiteral("person.crop.circle.badge.plus"), QStringLiteral("user-plus") },
        { QStringLiteral("rectangle.portrait.and.arrow.right"), QStringLiteral("log-in") },
        { QStringLiteral("chevron.backward"), QStringLiteral("chevron-left") },
        { QStringLiteral("chevron.left"), QStringLiteral("chevron-left") },
        { QStringLiteral("sidebar.left"), QStringLiteral("panel-left") },
        { QStringLiteral("square.and.pencil"), QStringLiteral("square-pen") },
        { QStringLiteral("arrow.up.circle"), QStringLiteral("circle-arrow-up") },
        { QStringLiteral("arrow.down.circle"), QStringLiteral("circle-arrow-down") },
        { QStringLiteral("checkmark"), QStringLiteral("check") },
        { QStringLiteral("gearshape.2"), QStringLiteral("cog") },
        { QStringLiteral("person.2"), QStringLiteral("users") },
        { QStringLiteral("slider.horizontal.3"), QStringLiteral("sliders-horizontal") },
        { QStringLiteral("minus.circle"), QStringLiteral("circle-minus") },
        { QStringLiteral("person.crop.circle.badge.arrow.forward"), QStringLiteral("user-round-arrow-left") },
        { QStringLiteral("exclamationmark.triangle"), QStringLiteral("triangle-alert") },
        { QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("triangle-alert") },
        { QStringLiteral("xmark.circle"), QStringLiteral("circle-x") },
        { QStringLiteral("link.badge.plus"), QStringLiteral("link") },
        { QStringLiteral("chart.pie"), QStringLiteral("chart-pie") },
        { QStringLiteral("person.crop.circle.fill"), QStringLiteral("circle-user") },
        { QStringLiteral("wifi.exclamationmark"), QStringLiteral("wifi-off") },
        { QStringLiteral("envelope.fill"), QStringLiteral("mail") },
        { QStringLiteral("envelope.open"), QStringLiteral("mail-open") },
        { QStringLiteral("sun.max.fill"), QStringLiteral("sun") },
        { QStringLiteral("moon.stars.fill"), QStringLiteral("moon-star") },
        { QStringLiteral("questionmark.circle"), QStringLiteral("circle-question-mark") },
    };
    return table;
}

QByteArray svgSource(const QString& path)
{
    ensureIconResources();
    static QHash<QString, QByteArray> cache;
    auto found = cache.constFind(path);
    if (found != cache.constEnd())
        return *found;
    QFile file(path);
    QByteArray data;
    if (file.open(QIODevice::ReadOnly))
        data = file.readAll();
    cache.insert(path, data);
    return data;
}
}

QStringList SymbolIcons::knownNames()
{
    QStringList names = symbolTable().keys();
    names.sort();
    return names;
}

QString SymbolIcons::resourcePath(const QString& symbol)
{
    const QString file = symbolTable().value(symbol);
    return file.isEmpty() ? QString() : QStringLiteral(":/icons/%1.svg").arg(file);
}

QPixmap SymbolIcons::pixmap(const QString& symbol, const QColor& color, int size, qreal devicePixelRatio)
{
    // Every card asks for the same few icons; rendering an SVG each time was a fifth of the start.
    const QString key = QStringLiteral("plenko-symbol:%1:%2:%3:%4")
                            .arg(symbol)
                            .arg(color.rgba(), 8, 16, QLatin1Char('0'))
                            .arg(size)
                            .arg(devicePixelRatio);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;
    const QString path = resourcePath(symbol);
    if (path.isEmpty())
        return {};
    QByteArray source = svgSource(path);
    if (source.isEmpty())
        return {};
    // The icons draw with "currentColor"; the renderer has no notion of it, so the colour goes in here.
    source.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(source);
    const int pixels = qRound(size * devicePixelRatio);
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(color.alphaF());
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QIcon SymbolIcons::icon(const QString& symbol, const QColor& color, int size)
{
    QIcon icon;
    const QPixmap normal = pixmap(symbol, color, size);
    if (normal.isNull())
        return icon;
    icon.addPixmap(normal, QIcon::Normal);
    QColor dimmed = color;
    dimmed.setAlphaF(0.35f);
    icon.addPixmap(pixmap(symbol, dimmed, size), QIcon::Disabled);
    return icon;
}
