// The narrow column of destinations at the window's left edge: the board lists, the reports, and
// buttons that open the notifications, the changelog, feedback and the account. "Sign In" replaces
// the account button while signed out.
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
    void paintEvent(QPaintEvent* event) override;

private:
    RailButton* addButton(const QString& objectName, const QString& symbol, const QString& label);

    RailSelection m_selection = RailSelection::activeBoards;
    RailButton* m_boards = nullptr;
    RailButton* m_archived = nullptr;
    RailButton* m_reports = nullptr;
    RailButton* m_account = nullptr;
    RailButton* m_signIn = nullptr;
    bool m_accountHidden = false;
    bool m_signedIn = false;
};
