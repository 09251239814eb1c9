// Times the rendering of 1,000 typical item texts (a list, a date, a mention, a link, about 300
// characters each) through the whole pipeline, beside raw md4c parsing of the same texts.
#include "BenchClock.h"
#include "richtext/ItemTextRenderer.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTextStream>
#include <QUuid>

#include <md4c.h>

#include <algorithm>
#include <ctime>
#include <vector>

namespace {
using namespace BenchClock;


QString itemText(int index)
{
    const QString text = QStringLiteral(
        "**Release %1** prep with @alice and @bob.smith, due %2/03/2025 at 10:30.\n"
        "- update the *changelog* and `version.txt`\n"
        "- check [the guide](https://plenko.net/guide/%1) for ~~old~~ steps\n"
        "- ask @carol about the %3 March 2025 review\n\n"
        "Notes: keep it short, ping the team when done.")
                             .arg(index)
                             .arg(1 + index % 28, 2, 10, QLatin1Char('0'))
                             .arg(1 + index % 27);
    return text;
}

// The same texts with every written date and time different from all the others, so that no label
// worked out for one text serves another.
QString itemTextWithDistinctDates(int index)
{
    static const char* const months[] = {"January", "February", "March", "April", "May", "June", "July",
        "August", "September", "October", "November", "December"};
    return QStringLiteral(
        "**Release %1** prep with @alice and @bob.smith, due %2/%3/%4 at %5:%6.\n"
        "- update the *changelog* and `version.txt`\n"
        "- check [the guide](https://plenko.net/guide/%1) for ~~old~~ steps\n"
        "- ask @carol about the %7 %8 %9 review\n\n"
        "Notes: keep it short, ping the team when done.")
        .arg(index)
        .arg(1 + index % 28, 2, 10, QLatin1Char('0'))
        .arg(1 + (index / 28) % 12, 2, 10, QLatin1Char('0'))
        .arg(2020 + index / 336)
        .arg(8 + index % 10)
        .arg(index % 60, 2, 10, QLatin1Char('0'))
        .arg(1 + (index * 3) % 28)
        .arg(QLatin1String(months[(index / 28 + 5) % 12]))
        .arg(2040 + index / 336);
}

BoardUser member(const QString& email)
{
    BoardUser user;
    user.userId = QUuid::createUuid();
    user.email = email;
    return user;
}

struct Timing
{
    double wallMs = 0;
    double cpuMs = 0; // this thread's processor time: what the work costs when the machine is busy
};

template<typename Work>
Timing median(int runs, Work work)
{
    std::vector<double> walls;
    std::vector<double> cpus;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        const double cpuStart = threadCpuMs();
        timer.start();
        work();
        walls.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        cpus.push_back(threadCpuMs() - cpuStart);
    }
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    return {walls[walls.size() / 2], cpus[cpus.size() / 2]};
}

int countBlocks(MD_BLOCKTYPE, void*, void* data)
{
    ++*static_cast<int*>(data);
    return 0;
}

int ignoreBlock(MD_BLOCKTYPE, void*, void*) { return 0; }
int ignoreSpan(MD_SPANTYPE, void*, void*) { return 0; }
int ignoreText(MD_TEXTTYPE, const MD_CHAR*, MD_SIZE, void*) { return 0; }

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    constexpr int itemCount = 1000;
    constexpr int runs = 9;

    QList<QString> texts;
    QList<QString> distinctTexts;
    qsizetype characters = 0;
    for (int i = 0; i < itemCount; ++i) {
        texts.append(itemText(i));
        distinctTexts.append(itemTextWithDistinctDates(i));
        characters += texts.last().size();
    }
    const QList<BoardUser> members {member(QStringLiteral("alice@plenko.net")), member(QStringLiteral("bob.smith@plenko.net")),
        member(QStringLiteral("carol@plenko.net")), member(QStringLiteral("dan@plenko.net"))};
    ItemTextStyle style;
    style.layoutWidth = 280; // an item card's text column
    style.context = TemporalContext {QStringLiteral("en_US"), QStringLiteral("Europe/Berlin")};

    std::vector<QByteArray> utf8;
    for (const QString& text : texts)
        utf8.push_back(text.toUtf8());

    int blocks = 0;
    const Timing baseline = median(runs, [&] {
        MD_PARSER parser {};
        parser.flags = MD_FLAG_STRIKETHROUGH;
        parser.enter_block = countBlocks;
        parser.leave_block = ignoreBlock;
        parser.enter_span = ignoreSpan;
        parser.leave_span = ignoreSpan;
        parser.text = ignoreText;
        for (const QByteArray& text : utf8)
            md_parse(text.constData(), static_cast<MD_SIZE>(text.size()), &parser, &blocks);
    });

    // One untimed pass first: the date parsers and label formatters are built on first use.
    qsizetype badges = 0;
    qsizetype mentions = 0;
    for (const QString& text : texts) {
        const RenderedItemText rendered = ItemTextRenderer::render(text, members, style);
        badges += rendered.text.attachments().size();
        mentions += rendered.mentionRanges.size();
    }

    const Timing attributed = median(runs, [&] {
        for (const QString& text : texts)
            ItemTextRenderer::renderText(text, members, style, nullptr);
    });
    double height = 0;
    const auto renderAll = [&](const QList<QString>& all) {
        return median(runs, [&] {
            for (const QString& text : all) {
                const RenderedItemText rendered = ItemTextRenderer::render(text, members, style);
                height += rendered.document->documentLayout()->documentSize().height();
            }
        });
    };
    const Timing whole = renderAll(texts);
    // Two thousand distinct dates outgrow the labels the renderer keeps, so every run works each one out.
    qsizetype distinctBadges = 0;
    for (const QString& text : distinctTexts)
        distinctBadges += ItemTextRenderer::render(text, members, style).text.attachments().size();
    const Timing wholeDistinct = renderAll(distinctTexts);

    auto row = [&out, &baseline](const QString& what, const Timing& timing) {
        out << what.leftJustified(52) << QStringLiteral("%1 ms  %2 ms cpu  %3x\n")
                                              .arg(timing.wallMs, 7, 'f', 2)
                                              .arg(timing.cpuMs, 7, 'f', 2)
                                              .arg(timing.cpuMs / baseline.cpuMs, 0, 'f', 0);
    };
    out << "items: " << itemCount << ", average length " << characters / itemCount << " characters, "
        << badges / itemCount << " badges and " << mentions / itemCount << " mentions each (median of " << runs
        << " runs)\n";
    row(QStringLiteral("raw md4c parse (baseline)"), baseline);
    row(QStringLiteral("markdown, badges, mentions -> attributed text"), attributed);
    row(QStringLiteral("whole pipeline -> QTextDocument laid out at 280 px"), whole);
    row(QStringLiteral("the same, no two dates alike"), wholeDistinct);
    out << "target: whole pipeline <= 150 ms\n";
    if (distinctBadges != badges)
        out << "warning: the texts with distinct dates gave " << distinctBadges << " badges, not " << badges << "\n";
    return height > 0 ? 0 : 1;
}
