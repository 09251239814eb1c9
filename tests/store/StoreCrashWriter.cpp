// Helper for the store tests: commits a small save, then starts a large one and waits to be killed
// in the middle of it. Prints "committed", "saving" and "saved" as it goes.
#include "store/LocalRecordConversions.h"
#include "store/StoreContext.h"

#include <QCoreApplication>

#include <cstdio>

namespace {
Item itemOn(const QUuid& boardId, const QString& content)
{
    Item item;
    item.id = QUuid::createUuid();
    item.boardId = boardId;
    item.createdBy = QUuid::createUuid();
    item.content = content;
    item.createdAt = QDateTime::currentDateTimeUtc();
    item.updatedAt = item.createdAt;
    return item;
}

void say(const char* line)
{
    std::fputs(line, stdout);
    std::fflush(stdout);
}
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    auto context = StoreContext::open(QString::fromLocal8Bit(argv[1]));
    if (!context) {
        std::fprintf(stderr, "%s\n", qPrintable(context.error().message));
        return 1;
    }
    const QUuid committedBoard(QStringLiteral("{0b0a0d00-0000-4000-8000-00000000000a}"));
    const QUuid interruptedBoard(QStringLiteral("{0b0a0d00-0000-4000-8000-00000000000b}"));
    for (int i = 0; i < 200; ++i)
        (*context)->insert(makeLocalItem(itemOn(committedBoard, QStringLiteral("committed"))));
    if (!(*context)->save())
        return 1;
    say("committed\n");

    // About 120 MB of rows: far more than the page cache, so the transaction spills into the
    // write-ahead log long before it commits.
    const QString filler(2000, QLatin1Char('x'));
    for (int i = 0; i < 60000; ++i)
        (*context)->insert(makeLocalItem(itemOn(interruptedBoard, filler)));
    say("saving\n");
    if (!(*context)->save())
        return 1;
    say("saved\n");
    return 0;
}
