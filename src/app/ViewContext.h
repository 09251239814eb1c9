// The shared objects every view of the main window reads and calls: the workspace, preferences,
// toasts, application notifications, the transport (for the text improvement) and the sign-in state
// (absent in a window that has none, which then counts as signed out).
#pragma once

#include "session/AuthState.h"

#include <QPointer>
#include <QUuid>

#include <optional>

class BoardViewModel;
class LocalStore;
class NetworkService;
class NotificationCenter;
class ToastManager;

struct ViewContext
{
    BoardViewModel& workspace;
    LocalStore& preferences;
    ToastManager& toasts;
    NotificationCenter& notifications;
    NetworkService& api;
    QPointer<AuthState> auth;

    bool isSignedIn() const;
    std::optional<QUuid> currentUserId() const;
};
