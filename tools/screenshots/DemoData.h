// A demo data set for the screenshots: a few local boards with items that use lists, dates,
// mentions, links and emphasis, some done and archived, and an archived board.
#pragma once

class BoardViewModel;

namespace DemoData {
// Fills the workspace (and its store) and selects the main demo board.
void fill(BoardViewModel& workspace);
// Gives the selected board its demo members again (a reload from the store drops them).
void addMembers(BoardViewModel& workspace);
}
