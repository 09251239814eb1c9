// The editor's side of link labels: notices new addresses in the text being edited, fetches each
// once for as long as it lives, and hands back the markdown link that should replace it.
#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <optional>

class LinkMetadataService;

class LinkLabeler : public QObject
{
    Q_OBJECT

public:
    explicit LinkLabeler(LinkMetadataService* service, QObject* parent = nullptr);

    // Starts a label for every address in `text` not seen before and not already a link target.
    // An address with the caret in it or at its end is still being typed and waits until the caret
    // leaves it;
    // without a caret (a paste) every address counts.
    void scan(const QString& text, std::optional<qsizetype> caret = std::nullopt);

    // Addresses the item already held when its editing began: another member may have written them,
    // so they are never fetched (that would let anyone make this computer fetch any address) nor
    // relabelled. Only addresses typed or pasted during this edit are.
    void ignoreAddressesIn(const QString& text);

    const QSet<QString>& observedLinks() const { return m_observedLinks; }
    const QSet<QString>& inFlightLinks() const { return m_inFlightLinks; }

    // `text` with the first bare occurrence of `address` replaced by `label`; absent when the
    // address is no longer there (edited away, or already made a link target).
    static std::optional<QString> applyLabel(const QString& text, const QString& address, const QString& label);

Q_SIGNALS:
    // Always delivered from the event loop, never from inside scan().
    void labelReady(const QString& address, const QString& label);

private:
    QCoro::Task<> fetchLabel(QString address);

    QPointer<LinkMetadataService> m_service;
    QSet<QString> m_observedLinks;
    QSet<QString> m_inFlightLinks;
};
