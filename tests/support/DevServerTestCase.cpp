#include "DevServerTestCase.h"

#include <QStandardPaths>
#include <QTest>

void DevServerTestCase::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_server = std::make_unique<DevServer>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
}

void DevServerTestCase::init()
{
    QVERIFY(m_server && m_server->reset());
}
