#include "BenchWorkspace.h"

#include "net/MemoryTokenStore.h"
#include "workspace/undo/ItemHistory.h"

#include <QCoro/QCoroTask>

BenchWorkspace::BenchWorkspace(const QString& folder, const QString& baseUrl)
{
    const QString root = folder.isEmpty() ? ownFolder.path() : folder;
    auto opened = StoreContext::open(root + QStringLiteral("/default.store"));
    if (!opened)
        qFatal("store: %s", qPrintable(opened.error().message));
    store = std::move(*opened);
    preferences = std::make_unique<LocalStore>(root + QStringLiteral("/preferences.ini"));
    AnalyticsSettings settings;
    settings.queueDirectory = root + QStringLiteral("/analytics");
    analytics = std::make_unique<UsageAnalytics>(settings);
    api = std::make_unique<NetworkService>(baseUrl, std::make_shared<MemoryTokenStore>());
    model = std::make_unique<BoardViewModel>(BoardViewModel::Services {*store, *api, *preferences, toasts, *analytics});
    new ItemHistory(*model, *store, *api, toasts);
}

void BenchWorkspace::signIn()
{
    QCoro::waitFor(api->setTokens(LoginTokens {QStringLiteral("access"), QStringLiteral("refresh")}));
}
