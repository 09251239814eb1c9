// What an import will write, read whole from the file before anything is stored: the boards with
// their items (and, from an archive, the sidebar order and conflict copies), and what the reading
// had to change, for the summary the user sees.
#pragma once

#include "transfer/BoardArchive.h"

#include <QStringList>

struct ImportPlan
{
    BoardArchive archive;
    // Names of the items whose text was cut to the item length limit.
    QStringList shortenedItems;
    // Labels, members or checklists that no longer fitted into an item's text.
    qsizetype extrasLeftOut = 0;

    // Lines for the user: what was shortened or left out. Empty when nothing was.
    QStringList notes() const;
};

// The first item-length's worth of the text (grapheme clusters, never splitting one); sets
// `shortened` when anything was cut.
QString fittedItemText(const QString& text, bool& shortened);
