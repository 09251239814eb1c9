// The join-board dialog: an invitation code field; "Join" (Return) hands the code on and closes,
// "Cancel" (Escape) closes. The dialog deletes itself when closed.
#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;

class JoinBoardView : public QDialog
{
    Q_OBJECT

public:
    explicit JoinBoardView(std::function<void(const QString& code)> onJoin, QWidget* parent = nullptr);

    QLineEdit* codeField() const { return m_code; }
    QPushButton* joinButton() const { return m_join; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    void join();

    std::function<void(const QString&)> m_onJoin;
    QLineEdit* m_code = nullptr;
    QPushButton* m_join = nullptr;
    QPushButton* m_cancel = nullptr;
};
