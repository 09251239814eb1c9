// The single-instance channel between two real processes over a local socket.
#include "net/SingleInstance.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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
            QCOMPARE(urls.at(i).at(0).toUrl(), QUrl(arguments.at(i)));
    }

    void firstStartBecomesTheRunningInstance()
    {
        QTemporaryDir folder;
        QProcess first;
        first.start(clientPath(), { folder.filePath(QStringLiteral("instance")), QStringLiteral("plenko://auth/callback?ott=x") });
        QVERIFY(first.waitForFinished(10000));
        QCOMPARE(first.exitCode(), 1);
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
