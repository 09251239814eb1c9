// A demo data set for the screenshots: a few local boards with items that use lists, dates,
// mentions, links and emphasis, some done and archived, and an archived board.
#pragma once

#include "DemoService.h"

#include <QUuid>

class BoardViewModel;
class SidebarLayoutController;

namespace DemoData {
// Fills the workspace (and its store) and selects the main demo board.
void fill(BoardViewModel& workspace);
// Gives the selected board its demo members again (a reload from the store drops them).
void addMembers(BoardViewModel& workspace);

// The signed-in user's cloud boards on the service, made the way people would: Dana owns them, Sam
// and Lee join one (Dana hears of each) and Sam assigns Dana items there. Call before the workspace
// loads its boards. False with the reason in the service's error().
bool fillService(DemoService& service, const DemoService::Account& dana, const DemoService::Account& sam,
    const DemoService::Account& lee);

// A local board with about two years of items, created and finished at a steady pace with a few
// busy stretches, for the dashboard. Returns its id.
QUuid addHistoryBoard(BoardViewModel& workspace);

// Dividers in several colours in both sections, once the sidebar lists the boards.
void addDividers(SidebarLayoutController& layout);
}
