// The workspace as the application makes it, over files in a folder: the store, the preferences,
// usage events kept in the folder (no token: nothing is ever sent), the service at `baseUrl`
// (nothing listens on the default) and the BoardViewModel over them. Signed out until signIn().
#pragma once

#include "analytics/UsageAnalytics.h"
#include "net/NetworkService.h"
#include "store/LocalStore.h"
#include "store/StoreContext.h"
#include "workspace/BoardViewModel.h"
#include "workspace/ToastManager.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

struct BenchWorkspace
{
    // An empty `folder` is a temporary one of its own, removed with the workspace.
    explicit BenchWorkspace(const QString& folder = {}, const QString& baseUrl = QStringLiteral("http://127.0.0.1:9"));
    // Gives the service made-up tokens, as after a sign-in.
    void signIn();

    QTemporaryDir ownFolder;
    std::unique_ptr<StoreContext> store;
    std::unique_ptr<LocalStore> preferences;
    std::unique_ptr<UsageAnalytics> analytics;
    std::unique_ptr<NetworkService> api;
    ToastManager toasts;
    std::unique_ptr<BoardViewModel> model;
};
