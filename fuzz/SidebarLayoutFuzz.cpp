// A section's stored sidebar layout, as any bytes a preference file may hold under its key, read the
// way the sidebar reads it: decoded by the entry codec and merged with the boards that exist. The
// first byte picks which of four boards exist. Whatever was stored, every existing board shows
// exactly once, no divider stands at either end or next to another, and a layout that decodes is
// written back to the same value.
#include "FuzzSupport.h"

#include "sidebar/SidebarLayout.h"
#include "store/LocalStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>

namespace {
const QString scope = QStringLiteral("local");

// Fixed ids, so seeds can name the boards that exist.
QUuid boardId(int index)
{
    return QUuid(QStringLiteral("{00000000-0000-4000-8000-00000000000%1}").arg(index + 1));
}

QList<Board> existingBoards(std::uint8_t selector)
{
    QList<Board> boards;
    for (int index = 0; index < 4; ++index) {
        if (selector & (1 << index)) {
            Board board;
            board.id = boardId(index);
            board.name = QStringLiteral("Board %1").arg(index + 1);
            boards.append(board);
        }
    }
    return boards;
}

// A layout that does not decode is removed and the file written through at once; in memory-backed
// /dev/shm that costs no disk flush per input.
QString temporaryFolderTemplate()
{
    const QString shared = QStringLiteral("/dev/shm");
    return QDir(shared).exists() ? shared + QStringLiteral("/plenko-fuzz-XXXXXX") : QString();
}

struct Preferences
{
    QTemporaryDir folder { temporaryFolderTemplate() };
    QSettings settings { folder.filePath(QStringLiteral("preferences.ini")), QSettings::IniFormat };
    LocalStore store { &settings };
};

Preferences& preferences()
{
    static Preferences shared; // the folder goes when the run ends
    return shared;
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzInput input = FuzzInput::from(data, size);
    const QString raw = QString::fromUtf8(input.rest);
    Preferences& prefs = preferences();
    const QString key = sidebarLayoutKey(scope).name;

    // Unsynced: the store reads the value from the settings object, no file is written per input.
    prefs.settings.setValue(key, input.rest);
    const std::optional<QList<SidebarEntryStorage>> stored = [&]() -> std::optional<QList<SidebarEntryStorage>> {
        const QList<SidebarEntryStorage> read = prefs.store.get(sidebarLayoutKey(scope));
        if (!prefs.settings.contains(key))
            return std::nullopt; // did not decode and was dropped
        return read;
    }();
    if (stored) {
        const QJsonValue encoded = JsonCodec<QList<SidebarEntryStorage>>::encode(*stored);
        const auto again = JsonCodec<QList<SidebarEntryStorage>>::decode(encoded);
        fuzzRequire(again.has_value() && *again == *stored, "a stored layout survives being written back", raw);
    }

    prefs.settings.setValue(key, input.rest);
    const QList<Board> boards = existingBoards(input.selector);
    const QList<SidebarEntry> entries = loadSidebarEntries(prefs.store, boards, scope, false);

    QSet<QUuid> shown;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const SidebarEntry& entry = entries.at(i);
        if (entry.isBoard()) {
            fuzzRequire(!shown.contains(entry.id()), "no board shows twice", raw);
            shown.insert(entry.id());
            continue;
        }
        fuzzRequire(i > 0 && i + 1 < entries.size(), "no divider at either end", raw);
        fuzzRequire(!entries.at(i - 1).isDivider(), "no two dividers in a row", raw);
    }
    fuzzRequire(shown.size() == boards.size(), "every existing board shows", raw);
    for (const Board& board : boards)
        fuzzRequire(shown.contains(board.id), "every existing board shows", raw);
    prefs.settings.remove(key);
    return 0;
}
