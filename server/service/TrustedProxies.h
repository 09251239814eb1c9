// Which peers may say where a request really comes from. Behind a reverse proxy every connection
// comes from the proxy, so its X-Forwarded-For header names the client; any client can send that
// header too, so it is read only when the peer is one of these.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QStringList>
#include <expected>

class TrustedProxies
{
public:
    // Addresses or subnets ("127.0.0.1", "::1", "10.0.0.0/8"); the error names the entry that is
    // neither.
    static std::expected<TrustedProxies, QString> parse(const QStringList& entries);

    bool isEmpty() const { return m_subnets.isEmpty(); }
    bool contains(const QHostAddress& address) const;
    // The peer, unless it is trusted: then the right-most address of X-Forwarded-For (all its
    // headers, in order) that is not itself trusted. A malformed entry ends the walk, at the last
    // address read before it.
    QHostAddress clientOf(const QHostAddress& peer, const QList<QByteArray>& forwardedFor) const;

private:
    QList<QPair<QHostAddress, int>> m_subnets;
};
