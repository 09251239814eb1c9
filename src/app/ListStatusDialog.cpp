#include "app/ListStatusDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QList<QPair<QString, ItemStatus>> statusChoices {{QStringLiteral("Todo"), ItemStatus::todo},
    {QStringLiteral("In Progress"), ItemStatus::inProgress}, {QStringLiteral("Done"), ItemStatus::done}};
}

ListStatusDialog::ListStatusDialog(const QString& boardName, const QList<TrelloList>& lists, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("listStatusDialog"));
    setWindowTitle(tr("Import Trello Board"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(tr("Some lists of “%1” are not named after a status. Where should their cards go?")
                                 .arg(boardName.left(200)),
        this);
    intro->setTextFormat(Qt::PlainText);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* form = new QFormLayout;
    for (const TrelloList& list : lists) {
        auto* choice = new QComboBox(this);
        choice->setObjectName(QStringLiteral("listStatus"));
        for (const auto& [title, status] : statusChoices)
            choice->addItem(title, int(status));
        auto* name = new QLabel(list.name.left(200), this);
        name->setTextFormat(Qt::PlainText);
        name->setBuddy(choice);
        choice->setAccessibleName(tr("Status for the list %1").arg(list.name.left(200)));
        form->addRow(name, choice);
        m_choices.append({list.id, choice});
    }
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Import"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QHash<QString, ItemStatus> ListStatusDialog::chosenStatuses() const
{
    QHash<QString, ItemStatus> chosen;
    for (const auto& [listId, choice] : m_choices)
        chosen.insert(listId, static_cast<ItemStatus>(choice->currentData().toInt()));
    return chosen;
}
