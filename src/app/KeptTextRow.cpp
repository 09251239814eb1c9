#include "app/KeptTextRow.h"

#include "app/Palette.h"

#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace KeptTextRow {

QWidget* make(QWidget* parent, const QString& name, const QColor& border, QVBoxLayout** layout)
{
    auto* row = new QWidget(parent);
    row->setObjectName(name);
    row->setAttribute(Qt::WA_StyledBackground);
    row->setStyleSheet(QStringLiteral("#%1 { background: %2; border: 1px solid %3; border-radius: 8px; }")
                           .arg(name, Palette::itemCardBackground().name(), border.name()));
    *layout = new QVBoxLayout(row);
    (*layout)->setContentsMargins(12, 8, 12, 8);
    (*layout)->setSpacing(4);
    return row;
}

QLabel* caption(QWidget* row, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, row);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: %1; font-size: 11px;").arg(Palette::secondaryText().name()));
    return label;
}

QLabel* text(QWidget* row, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, row);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setStyleSheet(QStringLiteral("color: %1;").arg(Palette::primaryText().name()));
    return label;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setStyleSheet(QStringLiteral("QPushButton { color: %1; background: transparent; border: 1px solid %2; "
                                         "border-radius: 5px; padding: 3px 10px; }"
                                         "QPushButton:hover { background: %3; }"
                                         "QPushButton:focus { border-color: %4; }")
                              .arg(Palette::primaryText().name(), Palette::separator().lighter(140).name(),
                                  Palette::hover().name(), Palette::accent().name()));
    return button;
}

QToolButton* sectionHeader(QWidget* parent, const QString& name, const QString& toolTip, const QColor& colour)
{
    auto* header = new QToolButton(parent);
    header->setObjectName(name);
    header->setAutoRaise(true);
    header->setCursor(Qt::PointingHandCursor);
    header->setFocusPolicy(Qt::StrongFocus);
    header->setToolTip(toolTip);
    header->setStyleSheet(QStringLiteral("QToolButton { border: 1px solid %1; border-radius: 6px; color: %1; "
                                         "padding: 3px 8px; font-weight: 600; }")
                              .arg(colour.name()));
    return header;
}

} // namespace KeptTextRow
