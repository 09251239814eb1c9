// The General tab: name (renamed in place while the board is editable), owner, storage and archive
// state, the quick-capture switch, and the service details of a cloud board.
#pragma once

#include "domain/Board.h"
#include "workspace/settings/BoardSettingsContext.h"

#include <QWidget>

class BoardNameField;
class QCheckBox;
class QLabel;
class QPushButton;
class RemoteInfoView;

class BoardGeneralTab : public QWidget
{
    Q_OBJECT

public:
    BoardGeneralTab(BoardSettingsContext context, int nameCharacterLimit, QWidget* parent = nullptr);

    void setBoard(const Board& board, bool editable);

    bool isEditingName() const { return m_isEditingName; }
    void startEditingName();
    void saveName();
    void cancelEditingName();

    QLabel* nameLabel() const { return m_name; }
    QLabel* ownerLabel() const { return m_owner; }
    QLabel* storageLabel() const { return m_storage; }
    QLabel* archivedLabel() const { return m_archived; }
    QPushButton* renameButton() const { return m_rename; }
    BoardNameField* nameField() const { return m_nameField; }
    QPushButton* saveButton() const { return m_save; }
    QCheckBox* quickCaptureSwitch() const { return m_quickCapture; }
    QPushButton* remoteInfoButton() const { return m_remoteInfoButton; }
    RemoteInfoView* remoteInfo() const { return m_remoteInfo; }

private:
    void showBoard();
    void showQuickCaptureState();

    BoardSettingsContext m_context;
    Board m_board;
    bool m_editable = false;
    bool m_isEditingName = false;
    bool m_showRemoteInfo = false;

    QLabel* m_name = nullptr;
    QPushButton* m_rename = nullptr;
    QWidget* m_nameEditor = nullptr;
    BoardNameField* m_nameField = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_owner = nullptr;
    QLabel* m_storage = nullptr;
    QLabel* m_archived = nullptr;
    QCheckBox* m_quickCapture = nullptr;
    QPushButton* m_remoteInfoButton = nullptr;
    RemoteInfoView* m_remoteInfo = nullptr;
};
