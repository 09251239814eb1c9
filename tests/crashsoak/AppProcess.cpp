#include "AppProcess.h"

#include "BundleInfo.h"
#include "store/StoreContainer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTest>
#include <utility>

namespace {
constexpr qsizetype keptErrorLines = 40;
}

AppProcess::AppProcess(Setup setup)
    : m_setup(std::move(setup))
{
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process, [this] { readOutput(); });
    QObject::connect(&m_process, &QProcess::readyReadStandardError, &m_process, [this] {
        const QStringList lines = QString::fromUtf8(m_process.readAllStandardError())
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        m_errorLines.append(lines);
        if (m_errorLines.size() > keptErrorLines)
            m_errorLines = m_errorLines.mid(m_errorLines.size() - keptErrorLines);
    });
}

AppProcess::~AppProcess()
{
    if (isRunning())
        kill();
}

QString AppProcess::dataFolder() const
{
    return QDir(m_setup.root).filePath(QStringLiteral("data"));
}

QString AppProcess::storeFile() const
{
    return StoreContainer::fileName(dataFolder(), QString::fromUtf8(BundleInfo::bundleIdentifier));
}

bool AppProcess::start()
{
    m_pending.clear();
    m_answers.clear();
    m_ready.reset();
    QDir root(m_setup.root);
    const QString runtime = root.filePath(QStringLiteral("run"));
    for (const QString& folder : {QStringLiteral("home"), QStringLiteral("data"), QStringLiteral("config"),
             QStringLiteral("cache"), QStringLiteral("state"), QStringLiteral("run")})
        root.mkpath(folder);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataFolder());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), root.filePath(QStringLiteral("cache")));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), root.filePath(QStringLiteral("state")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("PLENKO_API_URL"), m_setup.serviceUrl);
    // Nothing of the run may leave the machine.
    environment.insert(QStringLiteral("PLENKO_ANALYTICS_URL"), QStringLiteral("http://127.0.0.1:9/track"));
    environment.insert(
        QStringLiteral("PLENKO_CHANGELOG_URL"), m_setup.serviceUrl + QStringLiteral("/changelog.json"));
    environment.insert(
        QStringLiteral("PLENKO_APPCAST_URL"), m_setup.serviceUrl + QStringLiteral("/appcast.json"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (m_setup.busAddress.isEmpty())
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    else
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_setup.busAddress);
    m_process.setProcessEnvironment(environment);
    m_process.setWorkingDirectory(root.path());
    m_process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/app_session_driver"), {});
    if (!m_process.waitForStarted(10000)) {
        m_error = QStringLiteral("app_session_driver did not start: ") + m_process.errorString();
        return false;
    }
    return true;
}

void AppProcess::readOutput()
{
    m_pending += m_process.readAllStandardOutput();
    qsizetype newline;
    while ((newline = m_pending.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_pending.left(newline));
        m_pending.remove(0, newline + 1);
        if (line.startsWith(QLatin1String("ack ")) || line.startsWith(QLatin1String("nack ")))
            m_answers.append(line);
        else if (line.startsWith(QLatin1String("ready ")))
            m_ready = line;
        else
            m_otherLines.append(line);
    }
}

std::optional<QString> AppProcess::waitForReady(int timeoutMs)
{
    (void)QTest::qWaitFor([this] { return m_ready.has_value() || !isRunning(); }, timeoutMs);
    readOutput();
    return m_ready;
}

QStringList AppProcess::takeOtherLines()
{
    readOutput();
    return std::exchange(m_otherLines, {});
}

void AppProcess::send(const QString& command)
{
    m_process.write(command.toUtf8() + '\n');
}

std::optional<QString> AppProcess::ask(const QString& command, int timeoutMs)
{
    send(command);
    return waitForAnswer(timeoutMs);
}

std::optional<QString> AppProcess::waitForAnswer(int timeoutMs)
{
    (void)QTest::qWaitFor([this] { return !m_answers.isEmpty() || !isRunning(); }, timeoutMs);
    readOutput();
    if (m_answers.isEmpty())
        return std::nullopt;
    return m_answers.takeFirst();
}

void AppProcess::waitForAnswerOrTime(int ms)
{
    (void)QTest::qWaitFor([this] { return !m_answers.isEmpty() || !isRunning(); }, ms);
}

void AppProcess::kill()
{
    m_process.kill();
    m_process.waitForFinished(10000);
    readOutput();
}

bool AppProcess::quit(int timeoutMs)
{
    send(QStringLiteral("quit"));
    const bool ended = m_process.waitForFinished(timeoutMs);
    readOutput();
    return ended && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

bool AppProcess::terminate(int timeoutMs)
{
    m_process.terminate();
    const bool ended = m_process.waitForFinished(timeoutMs);
    readOutput();
    return ended && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

QString AppProcess::logTail() const
{
    return QStringLiteral("exit code %1; last log lines:\n  %2")
        .arg(m_process.exitCode())
        .arg(m_errorLines.join(QStringLiteral("\n  ")));
}
