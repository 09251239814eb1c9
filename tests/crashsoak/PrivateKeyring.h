// A D-Bus session and an unlocked gnome-keyring of the test's own, in a temporary folder, so the
// application under test can keep its tokens in a real Secret Service under its real service name
// without ever meeting the user's keyring. Both processes end with the object.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class PrivateKeyring
{
public:
    PrivateKeyring();
    ~PrivateKeyring();
    PrivateKeyring(const PrivateKeyring&) = delete;
    PrivateKeyring& operator=(const PrivateKeyring&) = delete;

    bool isRunning() const { return !m_busAddress.isEmpty(); }
    QString errorString() const { return m_error; }
    // For DBUS_SESSION_BUS_ADDRESS of the processes that should use this keyring.
    QString busAddress() const { return m_busAddress; }
    // Where the keyring daemon keeps its files.
    QString folder() const { return m_dir.path(); }

private:
    bool start();
    void stop();

    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_keyring;
    QString m_busAddress;
    QString m_error;
};
