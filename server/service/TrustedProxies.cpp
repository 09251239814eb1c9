#include "TrustedProxies.h"

namespace {

// A listener on every interface sees IPv4 peers as ::ffff:a.b.c.d; compare them as IPv4.
QHostAddress plain(const QHostAddress& address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4) : address;
}

} // namespace

std::expected<TrustedProxies, QString> TrustedProxies::parse(const QStringList& entries)
{
    TrustedProxies proxies;
    for (const QString& raw : entries) {
        const QString entry = raw.trimmed();
        if (entry.isEmpty())
            continue;
        QPair<QHostAddress, int> subnet;
        if (entry.contains(QLatin1Char('/'))) {
            subnet = QHostAddress::parseSubnet(entry);
        } else if (QHostAddress address; address.setAddress(entry)) {
            address = plain(address);
            subnet = {address, address.protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128};
        }
        if (subnet.first.isNull() || subnet.second < 0)
            return std::unexpected(QStringLiteral("\"%1\" is not an IP address or subnet").arg(entry));
        proxies.m_subnets.append(subnet);
    }
    return proxies;
}

bool TrustedProxies::contains(const QHostAddress& address) const
{
    const QHostAddress candidate = plain(address);
    for (const auto& subnet : m_subnets) {
        if (candidate.isInSubnet(subnet))
            return true;
    }
    return false;
}

QHostAddress TrustedProxies::clientOf(const QHostAddress& peer, const QList<QByteArray>& forwardedFor) const
{
    QHostAddress client = plain(peer);
    if (!contains(client))
        return client;
    QList<QByteArray> hops;
    for (const QByteArray& header : forwardedFor)
        hops.append(header.split(','));
    for (auto hop = hops.crbegin(); hop != hops.crend(); ++hop) {
        QHostAddress address;
        if (!address.setAddress(QString::fromLatin1(hop->trimmed())))
            break;
        client = plain(address);
        if (!contains(client))
            break;
    }
    return client;
}
