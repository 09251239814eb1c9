#include "insights/ScrollingPage.h"

#include "insights/InsightsPalette.h"

#include <QScrollArea>
#include <QVBoxLayout>

ScrollingPage ScrollingPage::make(QWidget* owner, const QMargins& margins, int spacing)
{
    InsightsPalette::applyDarkScheme(owner);
    auto* outer = new QVBoxLayout(owner);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(owner);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    outer->addWidget(scroll);

    ScrollingPage page;
    page.scroll = scroll;
    page.content = new QWidget(scroll);
    InsightsPalette::applyDarkScheme(page.content);
    page.layout = new QVBoxLayout(page.content);
    page.layout->setContentsMargins(margins);
    page.layout->setSpacing(spacing);
    // Set before the page is filled; the content is shown with the owner.
    scroll->setWidget(page.content);
    return page;
}
