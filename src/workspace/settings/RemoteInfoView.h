// The service's details of a cloud board: its id, revision, creation and last change, and creator.
#pragma once

#include "domain/Board.h"

#include <QWidget>

class QFormLayout;

class RemoteInfoView : public QWidget
{
    Q_OBJECT

public:
    explicit RemoteInfoView(QWidget* parent = nullptr);

    void setBoard(const Board& board);
    // The value shown for a row title ("Board ID", "Revision", …), empty when there is no such row.
    QString value(const QString& rowTitle) const;

private:
    QFormLayout* m_form = nullptr;
};
