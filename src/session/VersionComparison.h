// Orders version texts such as "1.10.0" and "1.9.5": dot-separated numbers compared from the left,
// a missing or non-numeric component counting as 0; equal numbers fall back to comparing the texts
// with digit runs read as numbers, so "2.0" and "2.0.0" still have an order.
#pragma once

#include <QString>

enum class VersionOrder { ascending, same, descending };

// ascending: a is older than b; descending: a is newer than b.
VersionOrder compareVersions(const QString& a, const QString& b);

// The texts compared character by character, except that runs of digits compare as numbers.
VersionOrder compareWithNumericRuns(const QString& a, const QString& b);
