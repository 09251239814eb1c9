// Link metadata against real pages: parsing of fixture pages, and the service against a scripted
// HTTP server on 127.0.0.1 (size cap, encodings, failures, time-out, caching, one fetch at a time).
#include "PageServer.h"

#include "richtext/LinkLabel.h"
#include "richtext/LinkLabeler.h"
#include "richtext/LinkMetadataService.h"
#include "richtext/LinkPageParser.h"
#include "richtext/LinkTextCleaning.h"

#include <QCoroTask>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

std::optional<LinkMetadata> fetch(LinkMetadataService& service, const QUrl& url)
{
    return QCoro::waitFor(service.fetchMetadata(url));
}

using Source = LinkMetadata::Source;

const QString articleTitle = QStringLiteral("Fish & Chips: a \"short\" history — Harbour Weekly");

} // namespace

class LinkMetadataTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Each page read at the address of the expected metadata.
    void parsesFixturePages_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<LinkMetadata>("expected");

        QTest::newRow("title tag with entities")
            << "article.html" << LinkMetadata { QUrl(QStringLiteral("https://harbour.example/fish")), articleTitle, {}, {}, {}, {}, Source::generic };
        // The same page on another site is read as a plain page: its structured data is not consulted.
        QTest::newRow("json-ld ignored off the movie site")
            << "movie-jsonld.html" << LinkMetadata { QUrl(QStringLiteral("https://films.example/lanterns")),
                   QStringLiteral("Lanterns Over Marrow Bay (1987) - Movie Database"), {}, {}, {}, {}, Source::generic };
        QTest::newRow("json-ld movie")
            << "movie-jsonld.html"
            << LinkMetadata { QUrl(QStringLiteral("https://www.IMDb.com/title/tt0000001/")), QStringLiteral("Lanterns Over Marrow Bay"),
                   QStringLiteral("A lighthouse keeper's daughter finds a map."), 1987, 8.8, 10.0, Source::imdb };
        QTest::newRow("json-ld series, strings and later year key")
            << "series-strings.html"
            << LinkMetadata { QUrl(QStringLiteral("https://m.imdb.com/title/tt0000002/")), QStringLiteral("Quiet Quarry (2011)"),
                   std::nullopt, 2019, 7.04, 5.0, Source::imdb };
        QTest::newRow("meta tags")
            << "movie-meta.html"
            << LinkMetadata { QUrl(QStringLiteral("https://www.imdb.com/title/tt0000003/")), QStringLiteral("Night Signal (2019) & Friends"),
                   QStringLiteral("Two operators hear a voice > static."), 2019, std::nullopt, std::nullopt, Source::imdb };
    }

    void parsesFixturePages()
    {
        QFETCH(QString, file);
        QFETCH(LinkMetadata, expected);
        const auto parsed = LinkPageParser::parsePage(QString::fromUtf8(fixturePage(file)), expected.url);
        QVERIFY(parsed);
        QCOMPARE(*parsed, expected);
    }

    void titleTag_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<std::optional<QString>>("title");

        const QString long130 = QString(QStringLiteral("abcdefghij")).repeated(13);
        QTest::newRow("cut to 120") << "<title>" + long130 + "</title>" << std::optional(long130.left(120));
        QTest::newRow("cut counts emoji once") << "<title>" + QString(QStringLiteral("👍🏽")).repeated(121) + "</title>"
                                               << std::optional(QString(QStringLiteral("👍🏽")).repeated(120));
        QTest::newRow("empty title tag") << "<head><title></title></head>" << std::optional(QString());
        QTest::newRow("no title tag") << "<head><h1>Hi</h1></head>" << std::optional<QString>();
        QTest::newRow("unclosed title") << "<title>Half a page" << std::optional<QString>();
        QTest::newRow("first of two") << "<title>One</title><title>Two</title>" << std::optional(QStringLiteral("One"));
        QTest::newRow("markup inside") << "<title>A <b>bold</b> &lt;move&gt;</title>"
                                       << std::optional(QStringLiteral("A bold <move>"));
    }

    void titleTag()
    {
        QFETCH(QString, html);
        QFETCH(std::optional<QString>, title);

        const auto parsed = LinkPageParser::parsePage(html, QUrl(QStringLiteral("https://example.org/page")));
        QCOMPARE(parsed.has_value(), title.has_value());
        if (parsed)
            QCOMPARE(parsed->title, *title);
    }

    void survivesHostileHtml_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("address");
        // Absent: no title at all; otherwise text the title must contain.
        QTest::addColumn<std::optional<QString>>("titlePart");

        const QString movieSite = QStringLiteral("https://www.imdb.com/title/tt9/");
        QTest::newRow("many unclosed titles") << QString(QStringLiteral("<title x")).repeated(16000)
                                              << "https://example.org/" << std::optional<QString>();
        QTest::newRow("title without closing angle") << "<title" + QString(QLatin1Char('a')).repeated(100000)
                                                     << "https://example.org/" << std::optional<QString>();
        QTest::newRow("meta content runs into the next tag")
            << QString(QStringLiteral("<meta property=\"og:title\" content='never closed>")).repeated(3500)
            << movieSite << std::optional(QStringLiteral("never closed>"));
        QTest::newRow("meta content never closed")
            << "<meta property=\"og:title\" content=\"" + QString(QLatin1Char('a')).repeated(120000) + ">"
            << movieSite << std::optional<QString>();
        QTest::newRow("attributes without quotes")
            << QString(QStringLiteral("<meta property=og:title content=x ")).repeated(3500) + "<title>Kept</title>"
            << movieSite << std::optional(QStringLiteral("Kept"));
        QTest::newRow("unclosed json-ld")
            << QString(QStringLiteral("<script type=\"application/ld+json\">{\"@type\":\"Movie\"")).repeated(2500)
            << movieSite << std::optional<QString>();
        QTest::newRow("deeply nested json-ld")
            << "<script type=\"application/ld+json\">" + QString(QLatin1Char('[')).repeated(60000)
                   + "</script><title>Deep</title>"
            << movieSite << std::optional(QStringLiteral("Deep"));
        QTest::newRow("absurd year and rating types")
            << QStringLiteral("<script type=\"application/ld+json\">{\"@type\":\"Movie\",\"name\":\"N\","
                              "\"year\":1e300,\"aggregateRating\":{\"ratingValue\":[1],\"bestRating\":{}}}</script>")
            << movieSite << std::optional(QStringLiteral("N"));
        QTest::newRow("control characters and stray entities")
            << QStringLiteral("<title>\u0001&#0;&#xD800;&bogus;&amp</title>") << "https://example.org/"
            << std::optional(QStringLiteral("&bogus;"));
    }

    void survivesHostileHtml()
    {
        QFETCH(QString, html);
        QFETCH(QString, address);
        QFETCH(std::optional<QString>, titlePart);

        const auto parsed = LinkPageParser::parsePage(html, QUrl(address));
        QCOMPARE(parsed.has_value(), titlePart.has_value());
        if (parsed)
            QVERIFY2(parsed->title.contains(*titlePart), qPrintable(parsed->title));
        if (parsed && QUrl(address).host().contains(QLatin1String("imdb")) && parsed->title == QLatin1String("N"))
            QVERIFY(!parsed->releaseYear && !parsed->ratingValue && !parsed->ratingScale);
    }

    void ratingText_data()
    {
        QTest::addColumn<std::optional<double>>("value");
        QTest::addColumn<std::optional<double>>("scale");
        QTest::addColumn<std::optional<QString>>("text");

        QTest::newRow("one decimal") << std::optional(8.8) << std::optional(10.0) << std::optional(QStringLiteral("8.8/10"));
        QTest::newRow("scale defaults to 10") << std::optional(7.0) << std::optional<double>() << std::optional(QStringLiteral("7/10"));
        QTest::newRow("near whole number") << std::optional(7.0004) << std::optional(5.0) << std::optional(QStringLiteral("7/5"));
        QTest::newRow("just below a whole number") << std::optional(6.9995) << std::optional(5.0) << std::optional(QStringLiteral("7.0/5"));
        QTest::newRow("rounded to one decimal") << std::optional(6.27) << std::optional(9.5) << std::optional(QStringLiteral("6.3/9.5"));
        QTest::newRow("no rating") << std::optional<double>() << std::optional(10.0) << std::optional<QString>();
    }

    void ratingText()
    {
        QFETCH(std::optional<double>, value);
        QFETCH(std::optional<double>, scale);
        QFETCH(std::optional<QString>, text);

        LinkMetadata metadata;
        metadata.ratingValue = value;
        metadata.ratingScale = scale;
        QCOMPARE(metadata.ratingText(), text);
    }

    void fallbackLabel_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<std::optional<QString>>("title");
        QTest::addColumn<bool>("isMovieSite");

        QTest::newRow("host and path") << "https://www.news.site.org/my-first_post/comments"
                                       << std::optional(QStringLiteral("News Site Org – My First Post")) << false;
        QTest::newRow("host only") << "https://example.com/" << std::optional(QStringLiteral("Example Com")) << false;
        QTest::newRow("encoded path") << "http://blog.example/caf%C3%A9-notes?x=1"
                                      << std::optional(QStringLiteral("Blog Example – Café Notes")) << false;
        QTest::newRow("movie site") << "https://www.imdb.com/title/tt0000001/"
                                    << std::optional(QStringLiteral("Imdb Com – Title")) << true;
        QTest::newRow("no host") << "mailto:someone@example.com" << std::optional<QString>() << false;
    }

    void fallbackLabel()
    {
        QFETCH(QString, address);
        QFETCH(std::optional<QString>, title);
        QFETCH(bool, isMovieSite);

        const auto fallback = LinkPageParser::fallbackMetadata(QUrl(address));
        QCOMPARE(fallback.has_value(), title.has_value());
        if (!fallback)
            return;
        QCOMPARE(fallback->title, *title);
        QCOMPARE(fallback->source, isMovieSite ? Source::imdb : Source::generic);
        QVERIFY(!fallback->summary && !fallback->releaseYear && !fallback->ratingValue);
    }

    void labelText_data()
    {
        QTest::addColumn<LinkMetadata>("metadata");
        QTest::addColumn<QString>("text");

        const QString a = QStringLiteral("https://x.example/a");
        QTest::newRow("generic, brackets escaped")
            << LinkMetadata { QUrl(a), QStringLiteral(" [Draft]   notes "), std::nullopt, 2001, 9.0, 10.0, Source::generic }
            << "[\\[Draft\\] notes](" + a + ")";
        QTest::newRow("screen work with year and rating")
            << LinkMetadata { QUrl(a), QStringLiteral("Heat (1995)"), std::nullopt, 1995, 8.3, 10.0, Source::imdb }
            << "[Heat](" + a + ") - 1995 (Rating: 8.3/10)";
        QTest::newRow("different year in title stays")
            << LinkMetadata { QUrl(a), QStringLiteral("Heat (1986)"), std::nullopt, 1995, std::nullopt, std::nullopt, Source::imdb }
            << "[Heat (1986)](" + a + ") - 1995";
        QTest::newRow("screen work without year or rating")
            << LinkMetadata { QUrl(a), QStringLiteral("Heat"), std::nullopt, std::nullopt, std::nullopt, std::nullopt, Source::imdb }
            << "[Heat](" + a + ")";
        QTest::newRow("empty title shows the address")
            << LinkMetadata { QUrl(a), QString(), std::nullopt, std::nullopt, std::nullopt, std::nullopt, Source::generic }
            << "[" + a + "](" + a + ")";
    }

    void labelText()
    {
        QFETCH(LinkMetadata, metadata);
        QFETCH(QString, text);
        QCOMPARE(linkLabelText(metadata, metadata.url.toString()), text);
    }

    void applyLabel_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<QString>>("result");

        const QString label = QStringLiteral("[A](https://a.org/x)");
        QTest::newRow("bare address") << "see https://a.org/x." << std::optional("see " + label + ".");
        QTest::newRow("in parentheses") << "(https://a.org/x)" << std::optional("(" + label + ")");
        QTest::newRow("skips the link target")
            << "[A](https://a.org/x) and https://a.org/x" << std::optional("[A](https://a.org/x) and " + label);
        QTest::newRow("only a link target") << "[Old](https://a.org/x)" << std::optional<QString>();
        QTest::newRow("longer address") << "https://a.org/xy" << std::optional<QString>();
        QTest::newRow("edited away") << "nothing here" << std::optional<QString>();
    }

    void applyLabel()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<QString>, result);
        QCOMPARE(LinkLabeler::applyLabel(text, QStringLiteral("https://a.org/x"), QStringLiteral("[A](https://a.org/x)")),
                 result);
    }

    // Whatever a page answers, each address gets a title; the fallback one comes from the address.
    void fetchedTitles_data()
    {
        QTest::addColumn<int>("status"); // 0: nothing listens at the address
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("title");

        const QByteArray html = "text/html; charset=utf-8";
        QTest::newRow("article") << 200 << fixturePage(QStringLiteral("article.html")) << html << articleTitle;
        QTest::newRow("Latin-1 page") << 200 << fixturePage(QStringLiteral("latin1.html")) << QByteArray("text/html")
                                      << QStringLiteral("Café crème © Montréal");
        QTest::newRow("no title") << 200 << QByteArray("<html><body>no title</body></html>") << html << "127 0 0 1 – Page";
    QTest::newRow("404") << 404 << QByteArray("<title>Page Not Found</title>") << html << "127 0 0 1 – Page";
        QTest::newRow("500") << 500 << QByteArray("<title>Internal Error</title>") << html << "127 0 0 1 – Page";
        QTest::newRow("connection refused") << 0 << QByteArray() << html << "127 0 0 1 – Page";
        // Only the first 128 KiB are parsed: a title closing beyond them is not seen.
        QTest::newRow("title closes past the cap")
            << 200 << "<title>" + QByteArray(130 * 1024, 'x') + "</title>" + QByteArray(200 * 1024, ' ') << html
            << "127 0 0 1 – Page";
        QTest::newRow("early title in 2 MiB") << 200 << "<title>Early</title>" + QByteArray(2 * 1024 * 1024, 'y') << html
                                              << "Early";
        // The cut falls inside a two-byte character; the page is still UTF-8.
        QByteArray accented = "<title>Crème brûlée</title>";
        accented += QByteArray(128 * 1024 - accented.size() - 1, ' ') + "é and more";
        QTest::newRow("cut inside a character") << 200 << accented << html << "Crème brûlée";
    }

    void fetchedTitles()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(QString, title);
        PageServer server;
        QUrl address = server.url(QStringLiteral("/page"));
        server.addPage(QStringLiteral("/page"), status, body, contentType);
        QTcpServer closed;
        if (status == 0) {
            QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
            address.setPort(closed.serverPort());
            closed.close();
        }
        LinkMetadataService service;

        const auto metadata = fetch(service, address);
        QVERIFY(metadata);
        QCOMPARE(metadata->title, title);
        QCOMPARE(metadata->url, address);
        if (status == 0)
            return;
        const auto headers = server.lastHeaders(QStringLiteral("/page"));
        QCOMPARE(headers.value("accept"), QByteArray("text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"));
        QCOMPARE(headers.value("user-agent"), QByteArray("Mozilla/5.0 (X11; Linux x86_64) Plenko/1.0"));

        // Only a page read for its title is kept; a fallback is asked for again next time.
        const bool parsed = title != QStringLiteral("127 0 0 1 – Page");
        QCOMPARE(fetch(service, address), metadata);
        QCOMPARE(server.requestCount(QStringLiteral("/page")), parsed ? 1 : 2);
        QCOMPARE(service.cachedMetadata(address), parsed ? metadata : std::optional<LinkMetadata>());
    }

    // A page that never answers, or one that sends a byte now and then so that no transfer time-out
    // fires, ends at the fetch's own deadline; the fetch waiting behind it is sent only then.
    void slowPageEndsAtItsDeadline_data()
    {
        QTest::addColumn<bool>("trickles");
        QTest::newRow("silent") << false;
        QTest::newRow("trickling") << true;
    }

    void slowPageEndsAtItsDeadline()
    {
        QFETCH(bool, trickles);
        PageServer server;
        if (trickles)
            server.addTricklePath(QStringLiteral("/slow-page"), 100ms);
        else
            server.addSilentPath(QStringLiteral("/slow-page"));
        server.addPage(QStringLiteral("/article"), 200, fixturePage(QStringLiteral("article.html")));
        LinkMetadataService service(nullptr, 700ms);

        std::optional<LinkMetadata> slow;
        std::optional<LinkMetadata> article;
        QCoro::Task<std::optional<LinkMetadata>> first = service.fetchMetadata(server.url(QStringLiteral("/slow-page")));
        QCoro::Task<std::optional<LinkMetadata>> second = service.fetchMetadata(server.url(QStringLiteral("/article")));
        first.then([&slow](std::optional<LinkMetadata> result) { slow = result; });
        second.then([&article](std::optional<LinkMetadata> result) { article = result; });

        QTRY_COMPARE(server.requestCount(QStringLiteral("/slow-page")), 1);
        QTest::qWait(100);
        QCOMPARE(server.requestCount(QStringLiteral("/article")), 0);

        QTRY_VERIFY_WITH_TIMEOUT(slow.has_value(), 20000);
        QCOMPARE(slow->title, QStringLiteral("127 0 0 1 – Slow Page"));
        QTRY_VERIFY_WITH_TIMEOUT(article.has_value(), 20000);
        QCOMPARE(article->title, articleTitle);
        QCOMPARE(server.requestOrder(), QStringList({ QStringLiteral("/slow-page"), QStringLiteral("/article") }));
    }

    void movieDatabasePageThroughProxy()
    {
        PageServer server;
        server.addPage(QStringLiteral("/title/tt0000001/"), 200, fixturePage(QStringLiteral("movie-jsonld.html")));
        QNetworkAccessManager network;
        network.setProxy(server.proxy());
        LinkMetadataService service(&network);

        const QString address = QStringLiteral("http://www.imdb.com/title/tt0000001/");
        const auto metadata = fetch(service, QUrl(address));
        QVERIFY(metadata);
        QCOMPARE(metadata->source, Source::imdb);
        QCOMPARE(linkLabelText(*metadata, address),
                 "[Lanterns Over Marrow Bay](" + address + ") - 1987 (Rating: 8.8/10)");
    }

    // Each address is fetched once however often the text is scanned; link targets are never
    // fetched, nor are addresses the item already had, whatever the caret does; one typed during the
    // edit is.
    void labelerFetchesEachNewAddressOnce()
    {
        PageServer server;
        server.addPage(QStringLiteral("/article"), 200, fixturePage(QStringLiteral("article.html")));
        server.addPage(QStringLiteral("/internal"), 200, fixturePage(QStringLiteral("article.html")));
        LinkMetadataService service;
        LinkLabeler labeler(&service);
        QSignalSpy labels(&labeler, &LinkLabeler::labelReady);

        const QString internal = server.url(QStringLiteral("/internal")).toString();
        const QString stored = "see " + internal + " today";
        labeler.ignoreAddressesIn(stored);
        labeler.scan(stored);
        labeler.scan(stored, 0);
        QVERIFY(labeler.inFlightLinks().isEmpty());

        const QString address = server.url(QStringLiteral("/article")).toString();
        const QString target = server.url(QStringLiteral("/target")).toString();
        const QString text = stored + " read " + address + " and [done](" + target
            + ") obsidian://open?vault=Work&file=Plans%2FQ3.md";
        labeler.scan(text);
        QCOMPARE(labeler.inFlightLinks(), QSet<QString>({ address }));
        labeler.scan(text + " again " + address);

        QTRY_COMPARE(labels.size(), 2);
        QTRY_VERIFY(labeler.inFlightLinks().isEmpty());
        QCOMPARE(server.requestCount(QStringLiteral("/article")), 1);
        QCOMPARE(server.requestCount(QStringLiteral("/target")), 0);
        QCOMPARE(server.requestCount(QStringLiteral("/internal")), 0);

        QString labelled = text;
        for (const QList<QVariant>& ready : labels)
            labelled = *LinkLabeler::applyLabel(labelled, ready.at(0).toString(), ready.at(1).toString());
        QCOMPARE(labelled, stored + " read [" + articleTitle + "](" + address + ") and [done](" + target
                 + ") [Q3](obsidian://open?vault=Work&file=Plans%2FQ3.md)");
    }

    void decodesEntitiesWithoutLoading_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("decoded");

        // A FIFO nobody writes to: anything that opened it would block for good.
        static QTemporaryDir folder;
        static const QString fifo = folder.filePath(QStringLiteral("fifo"));
        if (!QFileInfo::exists(fifo))
            QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);

        QTest::newRow("named") << "caf&eacute; &amp; cr&egrave;me" << "café & crème";
        QTest::newRow("named for two code points") << "&NotEqualTilde;" << QStringLiteral("\u2242\u0338");
        QTest::newRow("decimal and hex") << "&#169; &#x1F600; &#X41;" << QStringLiteral("© 😀 A");
        QTest::newRow("invalid code points") << "&#0;&#xD800;&#1114112;" << QStringLiteral("\uFFFD\uFFFD\uFFFD");
        QTest::newRow("unknown or unfinished stays") << "&bogus; &amp &#; &#x; a&b" << "&bogus; &amp &#; &#x; a&b";
        QTest::newRow("entity names are case-sensitive") << "&AMP; &Amp;" << "& &Amp;";
        QTest::newRow("image at a fifo") << "<img src='" + fifo + "'>A" << "A";
        QTest::newRow("style sheet at a fifo") << "<link rel=stylesheet href='" + fifo + "'>B" << "B";
        QTest::newRow("css import of /dev/zero") << "<style>@import url(/dev/zero);</style>C"
                                                 << "@import url(/dev/zero);C";
        QTest::newRow("css url of a fifo") << "<p style=\"background:url(" + fifo + ")\">D</p>" << "D";
        QTest::newRow("lone angle brackets stay") << "1 < 2 > 0" << "1 < 2 > 0";
        QTest::newRow("non-breaking space without markup") << QStringLiteral("Fish\u00a0Chips") << "Fish Chips";
    }

    void decodesEntitiesWithoutLoading()
    {
        QFETCH(QString, raw);
        QFETCH(QString, decoded);
        QCOMPARE(decodeEntities(raw), decoded);
        const auto parsed = LinkPageParser::parsePage("<title>" + raw + "</title>", QUrl(QStringLiteral("https://example.org/")));
        QVERIFY(parsed);
    }

    void redirectsStayFewAndOnTheWeb_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("unreached"); // a path that must never be asked for; empty: none

        QTest::newRow("one redirect") << "/r1" << articleTitle << QString();
        QTest::newRow("two redirects") << "/r2" << articleTitle << QString();
        QTest::newRow("three redirects") << "/r3" << articleTitle << QString();
        QTest::newRow("four redirects") << "/r4" << "127 0 0 1 – R4" << "/article";
        QTest::newRow("redirect to a file") << "/to-file" << "127 0 0 1 – To File" << QString();
        QTest::newRow("redirect to ftp") << "/to-ftp" << "127 0 0 1 – To Ftp" << QString();
    }

    void redirectsStayFewAndOnTheWeb()
    {
        QFETCH(QString, start);
        QFETCH(QString, title);
        QFETCH(QString, unreached);
        PageServer server;
        server.addPage(QStringLiteral("/article"), 200, fixturePage(QStringLiteral("article.html")));
        server.addRedirect(QStringLiteral("/r1"), server.url(QStringLiteral("/article")).toEncoded());
        server.addRedirect(QStringLiteral("/r2"), server.url(QStringLiteral("/r1")).toEncoded());
        server.addRedirect(QStringLiteral("/r3"), server.url(QStringLiteral("/r2")).toEncoded());
        server.addRedirect(QStringLiteral("/r4"), server.url(QStringLiteral("/r3")).toEncoded());
        server.addRedirect(QStringLiteral("/to-file"), "file:///etc/hostname");
        server.addRedirect(QStringLiteral("/to-ftp"), "ftp://127.0.0.1/x");
        LinkMetadataService service(nullptr, 5000ms);

        const auto metadata = fetch(service, server.url(start));
        QVERIFY(metadata);
        QCOMPARE(metadata->title, title);
        if (!unreached.isEmpty())
            QCOMPARE(server.requestCount(unreached), 0);
        // Each hop is asked for once: one permission to follow a redirect starts one request.
        const QStringList asked = server.requestOrder();
        for (const QString& path : asked)
            QCOMPARE(asked.count(path), 1);
    }
};

QTEST_MAIN(LinkMetadataTest)
#include "LinkMetadataTest.moc"
