// The refresh indicator of one board, and the outcome of the two item move operations.
#pragma once

#include <QString>

enum class BoardRefreshState { refreshing, success, failure };

// Shown by the caller as a toast: error when failed, success otherwise, 2.5 seconds.
struct MoveOutcome
{
    bool failed = false;
    QString message;

    static MoveOutcome success(QString message) { return { false, std::move(message) }; }
    static MoveOutcome failure(QString message) { return { true, std::move(message) }; }
};
