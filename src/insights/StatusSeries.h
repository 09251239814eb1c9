// The three series that the dashboard and the overview draw per status, with their labels.
#pragma once

#include "domain/ItemStatus.h"

#include <QString>

#include <array>

enum class StatusSeries { done, inProgress, todo };

// The order in which the dashboard's legend lists the series.
inline constexpr std::array<StatusSeries, 3> allStatusSeries { StatusSeries::todo, StatusSeries::inProgress,
    StatusSeries::done };

inline StatusSeries statusSeriesOf(ItemStatus status)
{
    switch (status) {
    case ItemStatus::todo:
        return StatusSeries::todo;
    case ItemStatus::inProgress:
        return StatusSeries::inProgress;
    case ItemStatus::done:
        return StatusSeries::done;
    }
    return StatusSeries::todo;
}

// The dashboard's chart labels ("In progress" in sentence case, unlike the overview's legend).
inline QString statusSeriesLabel(StatusSeries series)
{
    switch (series) {
    case StatusSeries::todo:
        return QStringLiteral("Todo");
    case StatusSeries::inProgress:
        return QStringLiteral("In progress");
    case StatusSeries::done:
        return QStringLiteral("Done");
    }
    return {};
}
