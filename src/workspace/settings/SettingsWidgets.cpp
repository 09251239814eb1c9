#include "workspace/settings/SettingsWidgets.h"

#include "symbols/SymbolIcons.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace SettingsWidgets {

QLabel* title(const QString& text, QWidget* parent, qreal growBy)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() + growBy);
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel* secondary(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QFrame* panel(QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("settingsPanel"));
    frame->setFrameShape(QFrame::NoFrame);
    frame->setAutoFillBackground(false);
    frame->setStyleSheet(QStringLiteral("QFrame#settingsPanel { background: rgba(255, 255, 255, 0.045);"
                                        " border: 1px solid rgba(255, 255, 255, 0.08); border-radius: 8px; }"));
    return frame;
}

QPushButton* button(const QString& text, const QString& symbol, QWidget* parent)
{
    auto* push = new QPushButton(text, parent);
    push->setIcon(SymbolIcons::icon(symbol, parent->palette().color(QPalette::ButtonText)));
    return push;
}

}
