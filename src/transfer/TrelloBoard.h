// A board as Trello exports it to JSON ("Print and export" › JSON): its lists, cards, checklists,
// labels and members, read strictly enough that a file which is not such an export is refused with
// the field that is wrong. Everything else in the export (actions, plugin data, settings) is ignored.
#pragma once

#include "transfer/FileFormatError.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <expected>
#include <optional>

struct TrelloList
{
    QString id;
    QString name;
    bool closed = false;
    double pos = 0;
};

struct TrelloChecklist
{
    QString name;
    double pos = 0;
    struct Entry
    {
        QString name;
        bool complete = false;
        double pos = 0;
    };
    QList<Entry> entries;
};

struct TrelloCard
{
    QString id;
    QString name;
    QString description;
    QString listId;
    bool closed = false;
    double pos = 0;
    QStringList labels; // names, or colours for unnamed labels
    QStringList members; // full names
    QList<TrelloChecklist> checklists;
    std::optional<QDateTime> lastActivity;
    std::optional<QDateTime> created; // from the card's id, which starts with its creation second
};

struct TrelloBoard
{
    QString id;
    QString name;
    QString description;
    bool closed = false;
    QList<TrelloList> lists; // in board order
    QList<TrelloCard> cards;
};

// A JSON object with the arrays "lists" and "cards" (whether or not it is a valid one).
bool looksLikeTrelloBoard(const QJsonObject& root);

std::expected<TrelloBoard, FileFormatError> readTrelloBoard(const QJsonObject& root);
