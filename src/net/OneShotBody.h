// A request body that can be read once and never rewound. Qt's HTTP layer sends a request again when
// its connection closes before the answer, without telling the caller; it can only do so by
// rewinding the body, so a request sent with this body fails with ContentReSendError instead.
#pragma once

#include <QByteArray>
#include <QIODevice>

class OneShotBody : public QIODevice
{
    Q_OBJECT

public:
    explicit OneShotBody(QByteArray bytes, QObject* parent = nullptr);

    bool isSequential() const override { return true; }
    bool reset() override { return false; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_read = 0;
};
