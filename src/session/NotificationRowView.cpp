#include "session/NotificationRowView.h"

#include "plaintext/UntrustedText.h"
#include "session/SessionStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

NotificationRowView::NotificationRowView(
    const NotificationItem& notification, const NotificationText& text, QWidget* parent)
    : QFrame(parent)
    , m_notification(notification)
{
    setObjectName(QStringLiteral("notificationRow"));
    setCursor(Qt::PointingHandCursor);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(10);

    m_envelope = new QToolButton(this);
    m_envelope->setObjectName(QStringLiteral("envelope"));
    m_envelope->setAutoRaise(true);
    if (isUnread()) {
        SessionStyle::setSymbol(m_envelope, QStringLiteral("envelope.fill"), SessionStyle::accent());
        m_envelope->setToolTip(markReadToolTip);
        connect(m_envelope, &QToolButton::clicked, this, &NotificationRowView::markReadRequested);
    } else {
        SessionStyle::setSymbol(m_envelope, QStringLiteral("envelope.open"), SessionStyle::secondaryText());
        m_envelope->setEnabled(false);
    }
    layout->addWidget(m_envelope, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* headline = UntrustedText::label(text.headline, this);
    headline->setObjectName(QStringLiteral("headline"));
    SessionStyle::useTitleFont(headline, 0);
    texts->addWidget(headline);
    if (!text.sentence.isEmpty()) {
        auto* sentence = new QLabel(sentenceHtml(text), this);
        sentence->setObjectName(QStringLiteral("sentence"));
        sentence->setTextFormat(Qt::RichText);
        sentence->setWordWrap(true);
        texts->addWidget(sentence);
    }
    auto* content = new QLabel(text.content, this);
    content->setObjectName(QStringLiteral("content"));
    content->setTextFormat(Qt::PlainText);
    content->setWordWrap(true);
    SessionStyle::useSecondaryText(content);
    texts->addWidget(content);
    layout->addLayout(texts, 1);
}

QString NotificationRowView::sentenceHtml(const NotificationText& text)
{
    QString html;
    for (const NotificationTextRun& run : text.sentence) {
        const QString escaped = run.text.toHtmlEscaped();
        html += run.emphasised ? QStringLiteral("<span style=\"color:%1; font-weight:600\">%2</span>")
                                     .arg(SessionStyle::emphasisedText().name(), escaped)
                               : QStringLiteral("<span style=\"color:%1\">%2</span>")
                                     .arg(SessionStyle::secondaryText().name(), escaped);
    }
    return html;
}

void NotificationRowView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Q_EMIT clicked();
        event->accept();
        return;
    }
    QFrame::mouseReleaseEvent(event);
}
