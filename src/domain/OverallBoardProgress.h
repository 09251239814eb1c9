// A tally of a board's items by status, and the percentage text shown beside it.
#pragma once

#include <QString>

struct OverallBoardProgress
{
    qint64 total = 0;
    qint64 done = 0;
    qint64 inProgress = 0;
    qint64 todo = 0;

    friend bool operator==(const OverallBoardProgress&, const OverallBoardProgress&) = default;
};

// count of total as a whole percentage, halves away from zero ("67%"); a total below 1 gives "0%".
QString percentText(qint64 total, qint64 count);
