#include "app/ToastView.h"

#include "app/AppAccessibility.h"
#include "app/Palette.h"
#include "plaintext/UntrustedText.h"
#include "symbols/SymbolIcons.h"
#include "workspace/ToastManager.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace {
QString symbolFor(ToastType type)
{
    switch (type) {
    case ToastType::success:
        return QStringLiteral("checkmark.circle.fill");
    case ToastType::error:
        return QStringLiteral("exclamationmark.circle.fill");
    case ToastType::info:
        return QStringLiteral("info.circle");
    }
    return {};
}

QColor colorFor(ToastType type)
{
    switch (type) {
    case ToastType::success:
        return Palette::named(QStringLiteral("SuccessColor"));
    case ToastType::error:
        return Palette::named(QStringLiteral("ErrorColor"));
    case ToastType::info:
        return Palette::named(QStringLiteral("InfoColor"));
    }
    return Palette::accent();
}
}

ToastView::ToastView(ToastManager& toasts, QWidget* parent)
    : QWidget(parent)
    , m_toasts(&toasts)
{
    setObjectName(QStringLiteral("toastView"));
    AppAccessibility::install();
    setAttribute(Qt::WA_TranslucentBackground);
    setMaximumWidth(maximumWidth);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 8, 14, 8);
    layout->setSpacing(8);
    m_icon = new QLabel(this);
    m_icon->setFixedSize(16, 16);
    m_message = UntrustedText::label(QString(), this);
    m_message->setObjectName(QStringLiteral("toastMessage"));
    m_message->setWordWrap(true);
    QFont footnote = m_message->font();
    footnote.setPointSizeF(footnote.pointSizeF() * 0.92);
    m_message->setFont(footnote);
    m_message->setStyleSheet(QStringLiteral("color: %1;").arg(Palette::primaryText().name()));
    m_action = new QPushButton(this);
    m_action->setObjectName(QStringLiteral("toastAction"));
    m_action->setFlat(true);
    m_action->setCursor(Qt::PointingHandCursor);
    m_action->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; text-decoration: underline; }")
                                .arg(Palette::accent().lighter(125).name()));
    layout->addWidget(m_icon, 0, Qt::AlignTop);
    layout->addWidget(m_message, 1);
    layout->addWidget(m_action);
    connect(m_action, &QPushButton::clicked, this, [this] {
        if (m_toasts && m_toasts->toast() && m_toasts->toast()->onAction)
            m_toasts->toast()->onAction();
    });
    connect(&toasts, &ToastManager::toastChanged, this, [this] {
        m_announcePending = true;
        refresh();
    });
    connect(&toasts, &ToastManager::isShowingChanged, this, &ToastView::refresh);
    parent->installEventFilter(this);
    refresh();
}

QString ToastView::message() const
{
    return m_message->text();
}

void ToastView::refresh()
{
    const bool show = m_toasts && m_toasts->isShowing() && m_toasts->toast().has_value();
    if (m_toasts && m_toasts->toast()) {
        const Toast& toast = *m_toasts->toast();
        m_message->setText(toast.message);
        m_icon->setPixmap(SymbolIcons::pixmap(symbolFor(toast.type), colorFor(toast.type), 16));
        const bool hasAction = toast.actionTitle.has_value() && static_cast<bool>(toast.onAction);
        m_action->setVisible(hasAction);
        m_action->setText(hasAction ? *toast.actionTitle : QString());
    }
    const bool wasShown = isVisible();
    setVisible(show);
    if (show) {
        reposition();
        raise();
        // Read out once per toast: a banner that appears where the user is not looking says nothing
        // to someone who cannot see it.
        if (!wasShown || m_announcePending)
            AppAccessibility::announce(this, m_message->text());
        m_announcePending = false;
    }
}

void ToastView::reposition()
{
    QWidget* host = parentWidget();
    if (!host)
        return;
    const int width = std::min(maximumWidth, std::max(160, host->width() - 40));
    const int height = heightForWidth(width) > 0 ? heightForWidth(width) : sizeHint().height();
    const int preferred = std::min(width, sizeHint().width());
    resize(preferred, std::max(height, sizeHint().height()));
    move((host->width() - this->width()) / 2, host->height() - this->height() - 24);
}

bool ToastView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible())
        reposition();
    return QWidget::eventFilter(watched, event);
}

void ToastView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    painter.fillPath(path, Palette::named(QStringLiteral("ToastBgColor")));
    painter.setPen(QPen(Palette::separator().lighter(130), 1));
    painter.drawPath(path);
}
