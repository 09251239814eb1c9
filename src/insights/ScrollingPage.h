// The dashboard's and the overview's page: the owner's whole area is a frameless scroll area on the
// dark scheme, around a content widget with a vertical layout to fill.
#pragma once

#include <QMargins>

class QScrollArea;
class QVBoxLayout;
class QWidget;

struct ScrollingPage
{
    QScrollArea* scroll = nullptr;
    QWidget* content = nullptr;
    QVBoxLayout* layout = nullptr;

    static ScrollingPage make(QWidget* owner, const QMargins& margins, int spacing);
};
