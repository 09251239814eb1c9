// Finds addresses written into free text: web addresses (http, https) and the two local schemes
// that get a label without fetching (obsidian, file). Trailing sentence punctuation and unbalanced
// closing brackets are left out, so "(see https://a.org/x)." yields "https://a.org/x".
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

struct DetectedAddress
{
    qsizetype start = 0;
    qsizetype length = 0;
    QString text;

    bool isWebAddress() const;
    // Directly preceded by "](", the target of a markdown link.
    bool isLinkTarget(QStringView in) const;
};

QList<DetectedAddress> detectAddresses(const QString& text);

// Every run of non-space characters that starts with one of the schemes, trailing punctuation
// included: while an address is still being typed, its last dots may yet be followed by more.
QList<DetectedAddress> addressRuns(const QString& text);
