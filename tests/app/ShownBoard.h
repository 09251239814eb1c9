// The main window as the user first sees it: showStarted() shows a content view so, and ShownBoard is
// one over a signed-out workspace whose selected board "Main" holds the given items.
#pragma once

#include "ViewContextFor.h"
#include "app/ContentView.h"
#include "app/MainContentView.h"
#include "app/NotificationCenter.h"

#include <QTest>

// The window at its default size, active and started, as the application shows it.
inline bool showStarted(ContentView& view)
{
    view.resize(880, 680);
    view.show();
    view.activateWindow();
    if (!QTest::qWaitForWindowActive(&view))
        return false;
    QCoro::waitFor(view.start());
    return true;
}

struct ShownBoard
{
    explicit ShownBoard(const QStringList& contents)
        : client(nullptr, QString())
        , board(client.createSelectedBoard(QStringLiteral("Main")))
    {
        for (const QString& content : contents)
            items << client.addItem(board.id, content);
    }

    bool show() { return showStarted(view); }
    BoardContentView* list() const { return view.mainContent()->content(); }

    WorkspaceClient client;
    Board board;
    QList<Item> items;
    NotificationCenter center;
    ContentView view {contextFor(client, center)};
};
