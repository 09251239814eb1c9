// The sign-in dialog: where the service is (the build's address unless the user chose another, as a
// team running its own server would) and a button that continues in the browser. The address is
// checked and kept before the browser opens; PLENKO_API_URL, when set, shows and cannot be edited.
#pragma once

#include <QDialog>

class LocalStore;
class NetworkService;
class QLabel;
class QLineEdit;
class QPushButton;

class SignInView : public QDialog
{
    Q_OBJECT

public:
    SignInView(NetworkService& api, LocalStore& preferences, QWidget* parent = nullptr);

    QLineEdit* addressField() const { return m_address; }

Q_SIGNALS:
    // The address is kept and the transport points at it: the browser sign-in may start.
    void continueRequested();

private:
    void submit();
    void showProblem(const QString& problem);

    NetworkService& m_api;
    LocalStore& m_preferences;
    QLineEdit* m_address = nullptr;
    QLabel* m_problem = nullptr;
    QPushButton* m_continue = nullptr;
};
