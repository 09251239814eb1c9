#include "app/RailView.h"

#include "app/Palette.h"
#include "app/RailButton.h"

#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

RailView::RailView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("railView"));
    setFixedWidth(RailButton::buttonWidth + 12);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 12, 6, 12);
    layout->setSpacing(4);

    m_boards = addButton(QStringLiteral("railBoards"), QStringLiteral("rectangle.stack"), QStringLiteral("Boards"));
    m_archived = addButton(QStringLiteral("railArchived"), QStringLiteral("archivebox"), QStringLiteral("Archived"));
    m_reports = addButton(QStringLiteral("railReports"), QStringLiteral("chart.line.uptrend.xyaxis"),
        QStringLiteral("Reports"));
    layout->addSpacing(8);
    RailButton* notifications
        = addButton(QStringLiteral("railNotifications"), QStringLiteral("bell"), QStringLiteral("Notifications"));
    RailButton* changelog
        = addButton(QStringLiteral("railChangelog"), QStringLiteral("doc.text"), QStringLiteral("Changelog"));
    RailButton* feedback = addButton(QStringLiteral("railFeedback"), QStringLiteral("questionmark.bubble"),
        QStringLiteral("Send Feedback"));
    layout->addStretch(1);
    m_signIn = addButton(QStringLiteral("railSignIn"), QStringLiteral("rectangle.portrait.and.arrow.right"),
        QStringLiteral("Sign In"));
    m_account = addButton(QStringLiteral("railAccount"), QStringLiteral("person.crop.circle"), QString());
    m_account->setToolTip(QStringLiteral("Account"));
    m_account->setAccessibleName(QStringLiteral("Account"));

    connect(m_boards, &RailButton::clicked, this, [this] { setSelection(RailSelection::activeBoards); });
    connect(m_archived, &RailButton::clicked, this, [this] { setSelection(RailSelection::archivedBoards); });
    connect(m_reports, &RailButton::clicked, this, [this] { setSelection(RailSelection::boardsOverview); });
    connect(notifications, &RailButton::clicked, this, &RailView::notificationsRequested);
    connect(changelog, &RailButton::clicked, this, &RailView::changelogRequested);
    connect(feedback, &RailButton::clicked, this, &RailView::feedbackRequested);
    connect(m_account, &RailButton::clicked, this, &RailView::accountRequested);
    connect(m_signIn, &RailButton::clicked, this, &RailView::signInRequested);
    setSignedIn(false);
    m_boards->setSelected(true);
}

RailButton* RailView::addButton(const QString& objectName, const QString& symbol, const QString& label)
{
    auto* button = new RailButton(symbol, label, this);
    button->setObjectName(objectName);
    // Seen before the button's own handling, which would send Up and Down along the window's tab chain.
    button->installEventFilter(this);
    layout()->addWidget(button);
    return button;
}

bool RailView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<RailButton*>(watched);
        if (button && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && moveFocus(button, key->key()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool RailView::moveFocus(RailButton* from, int key)
{
    QList<RailButton*> reachable;
    for (int i = 0; i < layout()->count(); ++i) {
        auto* button = qobject_cast<RailButton*>(layout()->itemAt(i)->widget());
        if (button && button->isVisible() && button->isEnabled())
            reachable << button;
    }
    const qsizetype at = reachable.indexOf(from);
    if (at < 0)
        return false;
    qsizetype target = at;
    switch (key) {
    case Qt::Key_Up:
        target = std::max<qsizetype>(0, at - 1);
        break;
    case Qt::Key_Down:
        target = std::min(reachable.size() - 1, at + 1);
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = reachable.size() - 1;
        break;
    default:
        return false;
    }
    // At either end the key stays with the rail rather than leaving it.
    reachable.at(target)->setFocus(key == Qt::Key_Up || key == Qt::Key_Home ? Qt::BacktabFocusReason
                                                                             : Qt::TabFocusReason);
    return true;
}

RailButton* RailView::button(const QString& objectName) const
{
    return findChild<RailButton*>(objectName);
}

void RailView::setSelection(RailSelection selection)
{
    m_boards->setSelected(selection == RailSelection::activeBoards);
    m_archived->setSelected(selection == RailSelection::archivedBoards);
    m_reports->setSelected(selection == RailSelection::boardsOverview);
    if (m_selection == selection)
        return;
    m_selection = selection;
    Q_EMIT selectionChanged(selection);
}

void RailView::setSignedIn(bool signedIn, const QString& accountInitials)
{
    m_signedIn = signedIn;
    m_signIn->setVisible(!signedIn);
    m_account->setVisible(signedIn && !m_accountHidden);
    m_account->setInitials(accountInitials);
}

void RailView::setAccountButtonHidden(bool hidden)
{
    m_accountHidden = hidden;
    m_account->setVisible(m_signedIn && !hidden);
}

void RailView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Palette::railBackground());
    painter.setPen(Palette::separator());
    painter.drawLine(width() - 1, 0, width() - 1, height());
}
