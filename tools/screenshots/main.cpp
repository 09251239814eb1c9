// Renders the main window over a demo data set into PNG files, on any Qt platform (offscreen in
// scripts/screenshots.sh). Usage: plenko-screenshots <output folder>
#include "DemoData.h"

#include "analytics/UsageAnalytics.h"
#include "app/BoardContentView.h"
#include "app/BoardInfoView.h"
#include "app/ContentView.h"
#include "app/ItemCardView.h"
#include "app/MainContentView.h"
#include "app/NotificationCenter.h"
#include "app/Palette.h"
#include "app/ViewContext.h"
#include "app/WindowChromeManager.h"
#include "net/MemoryTokenStore.h"
#include "net/NetworkService.h"
#include "store/LocalStore.h"
#include "store/StoreContext.h"
#include "workspace/BoardViewModel.h"
#include "workspace/ToastManager.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {
bool save(QWidget& window, const QString& path)
{
    QApplication::processEvents();
    QTest::qWait(150);
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}
}

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    Palette::applyTo(application);
    if (argc < 2) {
        std::fprintf(stderr, "usage: plenko-screenshots <output folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.absolutePath())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    QTemporaryDir dir;
    auto store = StoreContext::open(dir.filePath(QStringLiteral("default.store")));
    if (!store) {
        std::fprintf(stderr, "store: %s\n", qPrintable(store.error().message));
        return 1;
    }
    LocalStore preferences(dir.filePath(QStringLiteral("preferences.ini")));
    ToastManager toasts;
    AnalyticsSettings settings; // no token: usage events stay off
    settings.queueDirectory = dir.filePath(QStringLiteral("analytics"));
    UsageAnalytics analytics(settings);
    NetworkService api(QStringLiteral("http://127.0.0.1:9"), std::make_shared<MemoryTokenStore>());
    BoardViewModel workspace(BoardViewModel::Services { **store, api, preferences, toasts, analytics });
    NotificationCenter center;

    DemoData::fill(workspace);

    WindowChromeManager::shared().install();
    QMainWindow window;
    window.resize(1120, 720);
    auto* content = new ContentView(ViewContext { workspace, preferences, toasts, center, api, nullptr });
    window.setCentralWidget(content);
    window.show();
    QCoro::waitFor(content->start());
    DemoData::addMembers(workspace);
    toasts.setToast(std::nullopt);
    toasts.setShowing(false);

    bool ok = save(window, out.filePath(QStringLiteral("main-window.png")));

    MainContentView* main = content->mainContent();
    main->setCurrentView(ViewMode::done);
    main->content()->setArchivedExpanded(true);
    toasts.showSuccess(QStringLiteral("Item archived"));
    ok = save(window, out.filePath(QStringLiteral("done-archived-toast.png"))) && ok;
    toasts.setShowing(false);

    main->setCurrentView(ViewMode::todo);
    main->toggleBoardInfo();
    const QList<ItemCardView*> cards = main->content()->cards();
    if (cards.size() >= 3) {
        cards.at(0)->trigger(ItemCardAction::toggleDetails);
        cards.at(2)->trigger(ItemCardAction::edit);
    }
    main->openSearch();
    ok = save(window, out.filePath(QStringLiteral("details-and-editing.png"))) && ok;
    return ok ? 0 : 1;
}
