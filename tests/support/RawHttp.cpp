#include "RawHttp.h"

#include <QElapsedTimer>
#include <QTcpSocket>

RawAnswer exchange(quint16 port, const QByteArray& request, int waitMs)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    RawAnswer answer;
    if (!socket.waitForConnected(5000))
        return answer;
    socket.write(request);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < waitMs && socket.state() == QAbstractSocket::ConnectedState) {
        socket.waitForReadyRead(100);
        answer.bytes += socket.readAll();
    }
    answer.bytes += socket.readAll();
    answer.closed = socket.state() != QAbstractSocket::ConnectedState;
    if (answer.bytes.startsWith("HTTP/1.1 "))
        answer.status = answer.bytes.mid(9, 3).toInt();
    return answer;
}
