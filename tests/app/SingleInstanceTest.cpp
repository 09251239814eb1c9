// The single-instance election and hand-over between real processes: a lock file elects, a local
// socket carries the addresses.
#include "app/SingleInstance.h"

#include <QThread>

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {
QString clientPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/single_instance_client");
}
}

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void laterStartHandsOverAndExits_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("sign-in callback") << QStringList { "plenko://auth/callback?ott=abc%2Bdef" };
        QTest::newRow("two addresses in order") << QStringList { "plenko://auth/callback?ott=1", "plenko://other/x" };
        QTest::newRow("no address: just come to the front") << QStringList();
    }

    void laterStartHandsOverAndExits()
    {
        QFETCH(QStringList, arguments);
        QTemporaryDir folder;
        const QString name = folder.filePath(QStringLiteral("instance"));
        SingleInstance running(name);
        QCOMPARE(running.claim({}), SingleInstance::Role::primary);
        QSignalSpy urls(&running, &SingleInstance::urlReceived);
        QSignalSpy activations(&running, &SingleInstance::activated);

        QProcess later;
        later.start(clientPath(), QStringList { name } + arguments);
        QSignalSpy finished(&later, &QProcess::finished);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        QCOMPARE(later.exitCode(), 0);

        QTRY_COMPARE(activations.size(), 1);
        QCOMPARE(urls.size(), arguments.size());
        for (qsizetype i = 0; i < arguments.size(); ++i)
            QCOMPARE(urls.at(i).at(0).toString(), arguments.at(i));
    }

    void firstStartBecomesTheRunningInstance()
    {
        QTemporaryDir folder;
        QProcess first;
        first.start(clientPath(), { folder.filePath(QStringLiteral("instance")), QStringLiteral("plenko://auth/callback?ott=x") });
        QVERIFY(first.waitForFinished(10000));
        QCOMPARE(first.exitCode(), 1);
    }

    void simultaneousStartsElectOne_data()
    {
        QTest::addColumn<int>("starts");
        QTest::addColumn<int>("rounds");
        QTest::newRow("two at once") << 2 << 25;
        QTest::newRow("five at once") << 5 << 15;
    }

    // Starts that race each other elect exactly one running instance; every other start hands over
    // to it and exits.
    void simultaneousStartsElectOne()
    {
        QFETCH(int, starts);
        QFETCH(int, rounds);
        for (int round = 0; round < rounds; ++round) {
            QTemporaryDir folder;
            const QString name = folder.filePath(QStringLiteral("instance"));
            std::vector<std::unique_ptr<QProcess>> processes;
            for (int i = 0; i < starts; ++i) {
                processes.push_back(std::make_unique<QProcess>());
                processes.back()->start(clientPath(),
                    { name, QStringLiteral("--serve"), QString::number(starts - 1), QStringLiteral("plenko://x/%1").arg(i) });
            }
            int running = 0;
            int handedOver = 0;
            for (auto& process : processes) {
                QVERIFY2(process->waitForFinished(30000), "a start neither handed over nor was elected");
                QCOMPARE(process->exitStatus(), QProcess::NormalExit);
                running += process->exitCode() == 1 ? 1 : 0;
                handedOver += process->exitCode() == 0 ? 1 : 0;
            }
            QCOMPARE(running, 1);
            QCOMPARE(handedOver, starts - 1);
        }
    }

    // A running instance whose UI thread is busy for longer than a start used to wait keeps its
    // place: the later start waits for it and hands over, and never takes the socket.
    void busyInstanceKeepsItsPlace()
    {
        QTemporaryDir folder;
        const QString name = folder.filePath(QStringLiteral("instance"));
        SingleInstance running(name);
        QCOMPARE(running.claim({}), SingleInstance::Role::primary);
        QSignalSpy urls(&running, &SingleInstance::urlReceived);

        QProcess later;
        later.start(clientPath(), { name, QStringLiteral("plenko://auth/callback?ott=late") });
        QVERIFY(later.waitForStarted());
        QThread::sleep(4); // the UI thread is busy; nothing is served meanwhile
        QTRY_VERIFY_WITH_TIMEOUT(later.state() == QProcess::NotRunning, 30000);
        QCOMPARE(later.exitCode(), 0);
        QCOMPARE(urls.size(), 1);

        QProcess third;
        third.start(clientPath(), { name });
        QTRY_VERIFY_WITH_TIMEOUT(third.state() == QProcess::NotRunning, 30000);
        QCOMPARE(third.exitCode(), 0);
    }

    // A process that held the lock and died leaves lock and socket behind; the next start takes both.
    void deadInstanceIsReplaced()
    {
        QTemporaryDir folder;
        const QString name = folder.filePath(QStringLiteral("instance"));
        QProcess crashed;
        crashed.start(clientPath(), { name, QStringLiteral("--serve"), QStringLiteral("1") });
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(name), 10000);
        crashed.kill();
        QVERIFY(crashed.waitForFinished(10000));
        QVERIFY(QFile::exists(name + QStringLiteral(".lock")));

        QProcess next;
        next.start(clientPath(), { name });
        QVERIFY(next.waitForFinished(30000));
        QCOMPARE(next.exitCode(), 1);
    }

    // A socket file left by an instance that did not exit cleanly does not keep the next one out.
    void leftoverSocketIsReplaced()
    {
        QTemporaryDir folder;
        const QString name = folder.filePath(QStringLiteral("instance"));
        QFile leftover(name);
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.close();

        SingleInstance running(name);
        QCOMPARE(running.claim({ QStringLiteral("plenko://auth/callback?ott=x") }), SingleInstance::Role::primary);

        QProcess later;
        later.start(clientPath(), { name, QStringLiteral("plenko://auth/callback?ott=y") });
        QSignalSpy received(&running, &SingleInstance::urlReceived);
        QSignalSpy finished(&later, &QProcess::finished);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        QCOMPARE(later.exitCode(), 0);
        QTRY_COMPARE(received.size(), 1);
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
