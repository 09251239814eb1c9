// The signed-in user's notification feed: polled while polling is enabled (at once, then at every
// interval), refreshed on request, and marked read one by one or all at once. One instance for the
// application's lifetime, on the UI thread; the popover reads it and calls its operations.
#pragma once

#include "domain/Notification.h"
#include "net/NotificationRepository.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <optional>

class NetworkService;

class NotificationViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(bool isPopoverPresented READ isPopoverPresented WRITE setPopoverPresented NOTIFY
            isPopoverPresentedChanged)

public:
    static constexpr std::chrono::milliseconds defaultPollInterval {std::chrono::seconds(300)};

    explicit NotificationViewModel(NetworkService& api,
        std::chrono::milliseconds pollInterval = defaultPollInterval, QObject* parent = nullptr);

    const NotificationFeed& feed() const { return m_feed; }
    bool isLoading() const { return m_isLoading; }
    const std::optional<QString>& lastError() const { return m_lastError; }
    bool isPopoverPresented() const { return m_isPopoverPresented; }
    void setPopoverPresented(bool presented);
    bool pollingEnabled() const { return m_pollingEnabled; }
    std::chrono::milliseconds pollInterval() const { return m_pollInterval; }

    // The main window passes the sign-in state here, so the feed is polled exactly while signed in.
    // Turning it off stops the loop, drops any answer still on its way and empties the feed.
    void setPollingEnabled(bool enabled);

    QCoro::Task<void> refresh();
    QCoro::Task<void> markAllRead();
    QCoro::Task<void> markRead(NotificationItem notification);

Q_SIGNALS:
    void feedChanged();
    void isLoadingChanged(bool loading);
    void lastErrorChanged();
    void isPopoverPresentedChanged(bool presented);

private:
    void startPolling();
    void beginLoading();
    void endLoading(quint64 session);
    void setFeed(NotificationFeed feed);
    void setLastError(std::optional<QString> error);
    void setLoading(bool loading);

    NotificationRepository m_repository;
    std::chrono::milliseconds m_pollInterval;
    // The one poll loop: a repeating timer owned by the view model, so it dies with it.
    QTimer m_pollTimer;
    // Bumped whenever polling stops: answers that belong to an older session are dropped, so a
    // feed fetched before sign-out never reappears after it.
    quint64 m_session = 0;
    int m_requestsInFlight = 0;

    NotificationFeed m_feed;
    bool m_isLoading = false;
    std::optional<QString> m_lastError;
    bool m_isPopoverPresented = false;
    bool m_pollingEnabled = false;
};
