#include "PrivateKeyring.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTest>

PrivateKeyring::PrivateKeyring()
{
    if (!start())
        stop();
}

PrivateKeyring::~PrivateKeyring()
{
    stop();
}

bool PrivateKeyring::start()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString runtime = m_dir.filePath(QStringLiteral("run"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    m_bus.start(QStringLiteral("dbus-daemon"),
        {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!m_bus.waitForStarted(5000)) {
        m_error = QStringLiteral("dbus-daemon did not start: ") + m_bus.errorString();
        return false;
    }
    if (!QTest::qWaitFor([this] { return m_bus.canReadLine(); }, 10000)) {
        m_error = QStringLiteral("dbus-daemon printed no address");
        return false;
    }
    const QString address = QString::fromUtf8(m_bus.readLine()).trimmed();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("HOME"), m_dir.path());
    m_keyring.setProcessEnvironment(environment);
    m_keyring.setProcessChannelMode(QProcess::MergedChannels);
    // --unlock reads the password of a new login keyring from standard input.
    m_keyring.start(QStringLiteral("gnome-keyring-daemon"),
        {QStringLiteral("--foreground"), QStringLiteral("--unlock"), QStringLiteral("--components=secrets")});
    if (!m_keyring.waitForStarted(5000)) {
        m_error = QStringLiteral("gnome-keyring-daemon did not start: ") + m_keyring.errorString();
        return false;
    }
    m_keyring.write("plenko-keyring-password");
    m_keyring.closeWriteChannel();

    // Ready once the daemon owns the Secret Service name on the bus.
    const bool owned = QTest::qWaitFor(
        [&] {
            QProcess probe;
            QProcessEnvironment probeEnvironment = QProcessEnvironment::systemEnvironment();
            probeEnvironment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
            probe.setProcessEnvironment(probeEnvironment);
            probe.start(QStringLiteral("dbus-send"),
                {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                    QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                    QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
                    QStringLiteral("string:org.freedesktop.secrets")});
            probe.waitForFinished(5000);
            return probe.readAllStandardOutput().contains("boolean true")
                || m_keyring.state() == QProcess::NotRunning;
        },
        15000);
    if (!owned || m_keyring.state() == QProcess::NotRunning) {
        m_error = QStringLiteral("gnome-keyring-daemon did not take the Secret Service name: ")
            + QString::fromUtf8(m_keyring.readAll());
        return false;
    }
    m_busAddress = address;
    return true;
}

void PrivateKeyring::stop()
{
    for (QProcess* process : {&m_keyring, &m_bus}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(2000);
        }
    }
    m_busAddress.clear();
}
