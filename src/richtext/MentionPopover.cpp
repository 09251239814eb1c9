#include "richtext/MentionPopover.h"

#include "richtext/MentionPopoverView.h"

#include <QVBoxLayout>

#include <algorithm>

MentionPopover::MentionPopover(const BoardUser& user, QWidget* parent)
    : QFrame(parent, Qt::Popup)
    , m_content(new MentionPopoverView(user, this))
{
    setObjectName(QStringLiteral("mentionPopover"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_content);
}

void MentionPopover::showBelow(const QPoint& globalPoint)
{
    const QSize fitting = sizeHint();
    resize(std::clamp(fitting.width(), minimumWidth, maximumWidth), fitting.height());
    move(globalPoint);
    show();
}
