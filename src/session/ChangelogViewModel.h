// The changelog shown in the rail's popover: fetched from the maker's web site as a small JSON
// document (plain HTTP, no token), newest version first. Owned by the popover, on the UI thread.
#pragma once

#include "session/ChangelogEntry.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QUrl>
#include <optional>

class ChangelogViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)

public:
    static constexpr const char* urlEnvironmentVariable = "PLENKO_CHANGELOG_URL";

    // Without an address: PLENKO_CHANGELOG_URL, else the bundle's changelog address.
    explicit ChangelogViewModel(std::optional<QUrl> changelogUrl = std::nullopt, QObject* parent = nullptr);

    static QUrl configuredUrl();

    const QList<ChangelogEntry>& entries() const { return m_entries; }
    bool isLoading() const { return m_isLoading; }
    const std::optional<QString>& errorMessage() const { return m_errorMessage; }
    QUrl changelogUrl() const { return m_changelogUrl; }

    // A document that does not decode empties the list; a failed fetch keeps what was shown.
    QCoro::Task<void> loadChangelog();

Q_SIGNALS:
    void entriesChanged();
    void isLoadingChanged(bool loading);
    void errorMessageChanged();

private:
    void setEntries(QList<ChangelogEntry> entries);
    void setLoading(bool loading);
    void setErrorMessage(std::optional<QString> message);

    QUrl m_changelogUrl;
    QNetworkAccessManager m_network;
    QList<ChangelogEntry> m_entries;
    bool m_isLoading = false;
    std::optional<QString> m_errorMessage;
};
