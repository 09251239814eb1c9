// The vendored icon set against the symbol names the views ask for: every mapped name draws a
// visible icon, and every symbol name written in the view sources is mapped. The second check reads
// the sources themselves, so a view that starts using a new name fails here instead of showing an
// empty button.
#include "symbols/SymbolIcons.h"

#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

// The directories whose code hands symbol names to the icon lookups.
const QStringList viewDirectories {
    QStringLiteral("app"),
    QStringLiteral("workspace/settings"),
    QStringLiteral("session"),
    QStringLiteral("insights"),
    QStringLiteral("sidebar"),
};

// Dotted lower-case strings in those directories that are not symbol names.
const QSet<QString> notSymbols {
    QStringLiteral("net.plenko"), // the organisation domain
};

struct Usage
{
    QString name;
    QString where;
};

// Line comments go: they quote symbol names in prose and settings keys in examples.
QString withoutLineComment(const QString& line)
{
    bool inString = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('\\')) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('"'))
            inString = !inString;
        else if (!inString && c == QLatin1Char('/') && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('/'))
            return line.left(i);
    }
    return line;
}

// Symbol names in the view sources: every dotted lower-case string literal ("gearshape.2",
// "person.crop.circle"), and any literal handed straight to a lookup ("checkmark", "trash").
QList<Usage> usagesInSources(const QString& sourceRoot)
{
    static const QRegularExpression dotted(QStringLiteral("\"([a-z]+(?:\\.[a-z0-9]+)+)\""));
    static const QRegularExpression direct(
        QStringLiteral("(?:SymbolIcons::(?:icon|pixmap)|setSymbol)\\((?:[^;\"]*?,\\s*)?"
                       "(?:QStringLiteral|QLatin1String|QString)\\(\"([a-z][a-z0-9.]*)\"\\)"));
    QList<Usage> usages;
    for (const QString& directory : viewDirectories) {
        QDirIterator files(sourceRoot + QLatin1Char('/') + directory, { QStringLiteral("*.cpp"), QStringLiteral("*.h") },
            QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            if (path.endsWith(QLatin1String("/SymbolIcons.cpp")))
                continue;
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
                continue;
            const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
            const QString shortPath = path.mid(sourceRoot.size() + 1);
            for (qsizetype i = 0; i < lines.size(); ++i) {
                const QString code = withoutLineComment(lines.at(i));
                const QString where = QStringLiteral("%1:%2").arg(shortPath).arg(i + 1);
                for (const QRegularExpression* pattern : { &dotted, &direct }) {
                    auto matches = pattern->globalMatch(code);
                    while (matches.hasNext()) {
                        const QString name = matches.next().captured(1);
                        if (!notSymbols.contains(name))
                            usages.append({ name, where });
                    }
                }
            }
        }
    }
    return usages;
}

// How many pixels of the image are drawn (not fully transparent).
int drawnPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    }
    return count;
}

} // namespace

class SymbolIconsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyKnownNameDrawsAnIcon_data()
    {
        QTest::addColumn<QString>("symbol");
        for (const QString& name : SymbolIcons::knownNames())
            QTest::newRow(qPrintable(name)) << name;
    }

    void everyKnownNameDrawsAnIcon()
    {
        QFETCH(QString, symbol);
        QVERIFY(SymbolIcons::hasSymbol(symbol));
        QVERIFY2(QFile::exists(SymbolIcons::resourcePath(symbol)), qPrintable(SymbolIcons::resourcePath(symbol)));
        const QColor tint(200, 30, 40);
        const QPixmap pixmap = SymbolIcons::pixmap(symbol, tint, 16, 2.0);
        QCOMPARE(pixmap.size(), QSize(32, 32));
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        // A stroke icon covers a visible share of its square, in the colour asked for.
        QVERIFY2(drawnPixels(image) > 20, qPrintable(QString::number(drawnPixels(image))));
        bool tinted = false;
        for (int y = 0; y < image.height() && !tinted; ++y) {
            for (int x = 0; x < image.width() && !tinted; ++x)
                tinted = qAlpha(image.pixel(x, y)) == 255 && QColor(image.pixel(x, y)).rgb() == tint.rgb();
        }
        QVERIFY(tinted);
        QVERIFY(!SymbolIcons::icon(symbol, tint).isNull());
    }

    // Pixmaps are kept once drawn; asking again with another colour, size or ratio must not hand back
    // the kept one.
    void keptPixmapsFollowColourSizeAndRatio()
    {
        const QString symbol = QStringLiteral("pencil");
        const auto dominant = [](const QPixmap& pixmap) {
            const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (qAlpha(image.pixel(x, y)) == 255)
                        return QColor(image.pixel(x, y)).rgb();
                }
            }
            return QRgb(0);
        };
        const QColor red(220, 20, 20), blue(20, 20, 220);
        QCOMPARE(dominant(SymbolIcons::pixmap(symbol, red, 16, 2.0)), red.rgb());
        QCOMPARE(dominant(SymbolIcons::pixmap(symbol, blue, 16, 2.0)), blue.rgb());
        QCOMPARE(dominant(SymbolIcons::pixmap(symbol, red, 16, 2.0)), red.rgb());
        QCOMPARE(SymbolIcons::pixmap(symbol, red, 12, 2.0).size(), QSize(24, 24));
        QCOMPARE(SymbolIcons::pixmap(symbol, red, 12, 1.0).size(), QSize(12, 12));
        QCOMPARE(SymbolIcons::pixmap(symbol, red, 12, 1.0).devicePixelRatio(), 1.0);
        // The same colour half transparent is another pixmap too.
        QColor faint = red;
        faint.setAlphaF(0.35f);
        QCOMPARE(dominant(SymbolIcons::pixmap(symbol, faint, 16, 2.0)), QRgb(0));
    }

    void unknownNameHasNoIcon()
    {
        QVERIFY(!SymbolIcons::hasSymbol(QStringLiteral("no.such.symbol")));
        QVERIFY(SymbolIcons::pixmap(QStringLiteral("no.such.symbol"), Qt::black, 16).isNull());
        QVERIFY(SymbolIcons::icon(QStringLiteral("no.such.symbol"), Qt::black).isNull());
    }

    void knownNamesAreSortedAndUnique()
    {
        const QStringList names = SymbolIcons::knownNames();
        QVERIFY(names.size() > 1);
        for (qsizetype i = 1; i < names.size(); ++i)
            QVERIFY2(names.at(i - 1) < names.at(i), qPrintable(names.at(i)));
    }

    void everyNameInTheViewsIsKnown_data()
    {
        QTest::addColumn<QString>("symbol");
        const QList<Usage> usages = usagesInSources(QStringLiteral(PLENKO_SOURCE_DIR));
        for (const Usage& usage : usages)
            QTest::addRow("%s %s", qPrintable(usage.where), qPrintable(usage.name)) << usage.name;
    }

    void everyNameInTheViewsIsKnown()
    {
        QFETCH(QString, symbol);
        QVERIFY2(SymbolIcons::knownNames().contains(symbol), qPrintable(symbol));
    }

    void sourceScanFindsTheViews()
    {
        // The scan must see the views at all, or the check above passes with no rows.
        const QList<Usage> usages = usagesInSources(QStringLiteral(PLENKO_SOURCE_DIR));
        QSet<QString> names;
        for (const Usage& usage : usages)
            names.insert(usage.name);
        for (const QString& expected : { QStringLiteral("gearshape.2"), QStringLiteral("checkmark"),
                 QStringLiteral("sidebar.left"), QStringLiteral("minus.circle"), QStringLiteral("trash") })
            QVERIFY2(names.contains(expected), qPrintable(expected));
    }
};

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    SymbolIconsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SymbolIconsTest.moc"
