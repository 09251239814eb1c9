// The base of a test class that runs against one stand-in service for the whole run: it turns on
// the test paths, starts the devserver once, and empties it before every test function. A derived
// class that needs more set-up defines its own initTestCase() and calls this one.
#pragma once

#include "DevServer.h"

#include <QObject>
#include <memory>

class DevServerTestCase : public QObject
{
    Q_OBJECT

protected:
    DevServer& server() { return *m_server; }

    std::unique_ptr<DevServer> m_server;

protected Q_SLOTS:
    void initTestCase();
    void init();
};
