#include "session/PopoverSizing.h"

#include <QLayout>
#include <QScrollArea>

namespace {

int heightAt(const QLayoutItem* item, int width)
{
    return item->hasHeightForWidth() ? item->heightForWidth(width) : item->sizeHint().height();
}

} // namespace

int PopoverSizing::contentHeight(const QScrollArea* scroll, int width)
{
    const QWidget* content = scroll->widget();
    if (!content)
        return 0;
    if (const QLayout* layout = content->layout())
        return layout->hasHeightForWidth() ? layout->totalHeightForWidth(width) : layout->totalSizeHint().height();
    return content->hasHeightForWidth() ? content->heightForWidth(width) : content->sizeHint().height();
}

int PopoverSizing::layoutHeight(const QLayout* layout, int width, const QWidget* flexible,
    const std::function<int(int innerWidth)>& flexibleHeight)
{
    // The owner's own margins (a frame's border) surround the layout's.
    QMargins margins = layout->contentsMargins();
    if (const QWidget* owner = layout->parentWidget())
        margins += owner->contentsMargins();
    const int innerWidth = width - margins.left() - margins.right();
    int height = margins.top() + margins.bottom();
    int shown = 0;
    for (int i = 0; i < layout->count(); ++i) {
        const QLayoutItem* item = layout->itemAt(i);
        const QWidget* widget = item->widget();
        // Hidden parts take no room; asked before the popover is shown, so isHidden, not isVisible.
        if (widget && widget->isHidden())
            continue;
        height += widget && widget == flexible ? flexibleHeight(innerWidth) : heightAt(item, innerWidth);
        ++shown;
    }
    return height + std::max(0, shown - 1) * std::max(0, layout->spacing());
}
