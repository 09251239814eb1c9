// The Advanced tab, for the board's owner only: archiving (not twice) and deleting (never the last
// board), each after a confirmation. A non-owner sees a notice instead.
#pragma once

#include "domain/Board.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QStackedWidget;

class BoardAdvancedTab : public QWidget
{
    Q_OBJECT

public:
    explicit BoardAdvancedTab(QWidget* parent = nullptr);

    void setBoard(const Board& board, bool currentUserIsOwner, qsizetype boardCount);

    bool showsOwnerNotice() const;
    QLabel* ownerNotice() const { return m_ownerNotice; }
    QPushButton* archiveButton() const { return m_archive; }
    QPushButton* deleteButton() const { return m_delete; }
    QLabel* archiveText() const { return m_archiveText; }
    QLabel* alreadyArchivedNote() const { return m_alreadyArchived; }
    QWidget* lastBoardNote() const { return m_lastBoard; }

    void confirmArchive();
    void confirmDelete();

Q_SIGNALS:
    void archiveConfirmed(const Board& board);
    void deleteConfirmed(const Board& board);

private:
    Board m_board;
    QStackedWidget* m_faces = nullptr;
    QLabel* m_ownerNotice = nullptr;
    QWidget* m_ownerFace = nullptr;
    QLabel* m_archiveText = nullptr;
    QPushButton* m_archive = nullptr;
    QLabel* m_alreadyArchived = nullptr;
    QPushButton* m_delete = nullptr;
    QWidget* m_lastBoard = nullptr;
};
