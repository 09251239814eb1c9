// The narrow column of destinations at the window's left edge: the board lists, the reports, and
// buttons that open the notifications, the changelog, feedback and the account. "Sign In" replaces
// the account button while signed out. Up and Down (Home and End) move the keyboard focus along the
// rail; Space and Return press the focused button.
#pragma once

#include "app/RailSelection.h"

#include <QWidget>

class RailButton;

class RailView : public QWidget
{
    Q_OBJECT

public:
    explicit RailView(QWidget* parent = nullptr);

    RailSelection selection() const { return m_selection; }
    void setSelection(RailSelection selection);
    void setSignedIn(bool signedIn, const QString& accountInitials = {});
    // For a window that shows the account control elsewhere.
    void setAccountButtonHidden(bool hidden);

    RailButton* button(const QString& objectName) const;

Q_SIGNALS:
    void selectionChanged(RailSelection selection);
    void notificationsRequested();
    void changelogRequested();
    void feedbackRequested();
    void accountRequested();
    void signInRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    RailButton* addButton(const QString& objectName, const QString& symbol, const QString& label);
    // The focus goes from `from` to the shown button the key names; false for any other key.
    bool moveFocus(RailButton* from, int key);

    RailSelection m_selection = RailSelection::activeBoards;
    RailButton* m_boards = nullptr;
    RailButton* m_archived = nullptr;
    RailButton* m_reports = nullptr;
    RailButton* m_account = nullptr;
    RailButton* m_signIn = nullptr;
    bool m_accountHidden = false;
    bool m_signedIn = false;
};
