// The view context of a test window over a workspace client: its workspace, preferences, toasts and
// transport, the given notification centre, and no sign-in.
#pragma once

#include "WorkspaceFixture.h"
#include "app/ViewContext.h"

inline ViewContext contextFor(WorkspaceClient& client, NotificationCenter& center)
{
    return ViewContext {
        client.workspace(), client.preferences(), client.toasts(), center, client.api(), nullptr};
}
