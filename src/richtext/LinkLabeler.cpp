#include "richtext/LinkLabeler.h"

#include "richtext/LinkLabel.h"
#include "richtext/LinkMetadataService.h"
#include "richtext/WebAddressDetector.h"

#include <QUrl>

namespace {

// The caret is inside the address or in the punctuation right after it ("https://x." may become
// "https://x.org"), with no white space in between.
bool isBeingTyped(const QString& text, const DetectedAddress& address, qsizetype caret)
{
    if (caret < address.start)
        return false;
    qsizetype runEnd = address.start + address.length;
    while (runEnd < text.size() && !text[runEnd].isSpace())
        ++runEnd;
    return caret <= runEnd;
}

} // namespace

LinkLabeler::LinkLabeler(LinkMetadataService* service, QObject* parent)
    : QObject(parent)
    , m_service(service)
{
}

void LinkLabeler::ignoreAddressesIn(const QString& text)
{
    for (const DetectedAddress& address : detectAddresses(text))
        m_observedLinks.insert(address.text);
}

void LinkLabeler::scan(const QString& text, std::optional<qsizetype> caret)
{
    for (const DetectedAddress& address : detectAddresses(text)) {
        if (address.isLinkTarget(text) || m_observedLinks.contains(address.text))
            continue;
        if (caret && isBeingTyped(text, address, *caret))
            continue;
        if (address.isWebAddress()) {
            if (!m_service)
                continue;
            m_observedLinks.insert(address.text);
            m_inFlightLinks.insert(address.text);
            fetchLabel(address.text);
        } else if (const auto label = localLinkLabelText(address.text)) {
            m_observedLinks.insert(address.text);
            QMetaObject::invokeMethod(
                this, [this, text = address.text, label = *label] { Q_EMIT labelReady(text, label); },
                Qt::QueuedConnection);
        }
    }
}

QCoro::Task<> LinkLabeler::fetchLabel(QString address)
{
    QPointer<LinkLabeler> self(this);
    const std::optional<LinkMetadata> metadata = co_await m_service->fetchMetadata(QUrl(address));
    if (!self)
        co_return;
    m_inFlightLinks.remove(address);
    if (metadata)
        Q_EMIT labelReady(address, linkLabelText(*metadata, address));
}

std::optional<QString> LinkLabeler::applyLabel(const QString& text, const QString& address, const QString& label)
{
    for (const DetectedAddress& found : detectAddresses(text)) {
        if (found.text == address && !found.isLinkTarget(text)) {
            QString labelled = text;
            return labelled.replace(found.start, found.length, label);
        }
    }
    return std::nullopt;
}
