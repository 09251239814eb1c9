#include "workspace/settings/RemoteInfoView.h"

#include "domain/Ids.h"
#include "plaintext/UntrustedText.h"

#include <QFormLayout>
#include <QLabel>
#include <QLocale>

namespace {
QString dateText(const QDateTime& date)
{
    return date.isValid() ? QLocale().toString(date.toLocalTime(), QLocale::ShortFormat) : QStringLiteral("—");
}
}

RemoteInfoView::RemoteInfoView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("remoteInfo"));
    m_form = new QFormLayout(this);
    m_form->setContentsMargins(12, 4, 12, 8);
    m_form->setHorizontalSpacing(16);
    m_form->setVerticalSpacing(4);
    m_form->setLabelAlignment(Qt::AlignLeft);
}

void RemoteInfoView::setBoard(const Board& board)
{
    while (m_form->rowCount() > 0)
        m_form->removeRow(0);
    const auto addRow = [this](const QString& title, const QString& value) {
        auto* label = new QLabel(title, this);
        label->setForegroundRole(QPalette::PlaceholderText);
        auto* shown = UntrustedText::label(value, this);
        shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_form->addRow(label, shown);
    };
    addRow(QStringLiteral("Board ID"), uuidText(board.id));
    addRow(QStringLiteral("Revision"), QString::number(board.revision));
    addRow(QStringLiteral("Created"), dateText(board.createdAt));
    addRow(QStringLiteral("Updated"), dateText(board.updatedAt));
    addRow(QStringLiteral("Created by"), board.createdBy.isEmpty() ? QStringLiteral("—") : board.createdBy);
    addRow(QStringLiteral("Members"), QString::number(board.users.size()));
}

QString RemoteInfoView::value(const QString& rowTitle) const
{
    for (int row = 0; row < m_form->rowCount(); ++row) {
        auto* label = qobject_cast<QLabel*>(m_form->itemAt(row, QFormLayout::LabelRole)->widget());
        auto* field = qobject_cast<QLabel*>(m_form->itemAt(row, QFormLayout::FieldRole)->widget());
        if (label && field && label->text() == rowTitle)
            return field->text();
    }
    return {};
}
