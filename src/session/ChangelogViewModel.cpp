#include "session/ChangelogViewModel.h"

#include "BundleInfo.h"
#include "session/PlainHttpFetch.h"

#include <QPointer>

ChangelogViewModel::ChangelogViewModel(std::optional<QUrl> changelogUrl, QObject* parent)
    : QObject(parent)
    , m_changelogUrl(changelogUrl.value_or(configuredUrl()))
{
}

QUrl ChangelogViewModel::configuredUrl()
{
    return PlainHttpFetch::configuredUrl(urlEnvironmentVariable, BundleInfo::changelogUrl);
}

QCoro::Task<void> ChangelogViewModel::loadChangelog()
{
    QPointer<ChangelogViewModel> self(this);
    setLoading(true);
    const std::expected<PlainHttpFetch::Document, QString> body
        = co_await PlainHttpFetch::get(&m_network, m_changelogUrl);
    if (!self)
        co_return;
    if (!body) {
        setErrorMessage(body.error());
    } else if (std::expected<QList<ChangelogEntry>, QString> entries
        = ChangelogEntry::decodeDocument(body->body)) {
        setEntries(std::move(*entries));
        setErrorMessage(std::nullopt);
    } else {
        setErrorMessage(entries.error());
        setEntries({});
    }
    setLoading(false);
}

void ChangelogViewModel::setEntries(QList<ChangelogEntry> entries)
{
    m_entries = std::move(entries);
    Q_EMIT entriesChanged();
}

void ChangelogViewModel::setLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged(loading);
}

void ChangelogViewModel::setErrorMessage(std::optional<QString> message)
{
    if (m_errorMessage == message)
        return;
    m_errorMessage = std::move(message);
    Q_EMIT errorMessageChanged();
}
