// Asks where the cards of each Trello list go when the list is not named after one of the three
// statuses: one row per list, its name (as plain text) beside a choice of Todo, In Progress or Done.
#pragma once

#include "domain/ItemStatus.h"
#include "transfer/TrelloBoard.h"

#include <QDialog>
#include <QHash>
#include <QList>

class QComboBox;

class ListStatusDialog : public QDialog
{
    Q_OBJECT

public:
    ListStatusDialog(const QString& boardName, const QList<TrelloList>& lists, QWidget* parent = nullptr);

    // The chosen status of every list, by list id.
    QHash<QString, ItemStatus> chosenStatuses() const;

private:
    QList<QPair<QString, QComboBox*>> m_choices;
};
