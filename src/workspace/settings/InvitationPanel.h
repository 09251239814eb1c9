// "Invite Members" on the Users tab: asks the workspace for a one-time code, shows it with its
// expiry note, copies it to the clipboard and asks for a new one. One request at a time.
#pragma once

#include "domain/Board.h"
#include "workspace/settings/BoardSettingsContext.h"

#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;

class InvitationPanel : public QWidget
{
    Q_OBJECT

public:
    explicit InvitationPanel(BoardSettingsContext context, QWidget* parent = nullptr);

    void setBoard(const Board& board);

    std::optional<QString> invitationCode() const { return m_invitationCode; }
    bool isGenerating() const { return m_isGenerating; }
    void generate();
    void copyCode();

    QPushButton* generateButton() const { return m_generate; }
    QPushButton* copyButton() const { return m_copy; }
    QPushButton* regenerateButton() const { return m_regenerate; }
    QLabel* codeLabel() const { return m_code; }

Q_SIGNALS:
    void invitationCodeChanged();

private:
    void showState();

    BoardSettingsContext m_context;
    Board m_board;
    std::optional<QString> m_invitationCode;
    bool m_isGenerating = false;

    QPushButton* m_generate = nullptr;
    QWidget* m_codeBox = nullptr;
    QLabel* m_code = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_regenerate = nullptr;
};
