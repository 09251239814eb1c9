// The transient window that shows a mentioned member; it closes when the user clicks elsewhere.
#pragma once

#include "domain/BoardUser.h"

#include <QFrame>

class MentionPopoverView;

class MentionPopover : public QFrame
{
    Q_OBJECT

public:
    static constexpr int minimumWidth = 220;
    static constexpr int maximumWidth = 260;

    explicit MentionPopover(const BoardUser& user, QWidget* parent = nullptr);

    MentionPopoverView* content() const { return m_content; }
    // Shows the popover with its top-left corner at `globalPoint`.
    void showBelow(const QPoint& globalPoint);

private:
    MentionPopoverView* m_content = nullptr;
};
