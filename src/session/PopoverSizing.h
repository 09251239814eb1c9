// Popovers as tall as what they show, up to a most: the height a vertical layout needs at a width,
// with one flexible part (a scroll area, a page stack) counted at the height its content needs.
#pragma once

#include <functional>

class QLayout;
class QScrollArea;
class QWidget;

namespace PopoverSizing {
// What the scroll area's content needs at that width (the width the popover gives it).
int contentHeight(const QScrollArea* scroll, int width);
// The layout's margins (and its owner's), spacing and visible items at that width, `flexible`
// counted as `flexibleHeight` gives for the width inside the margins.
int layoutHeight(const QLayout* layout, int width, const QWidget* flexible,
    const std::function<int(int innerWidth)>& flexibleHeight);
}
