#include "workspace/ToastManager.h"

#include <cmath>

ToastManager::ToastManager(QObject* parent)
    : QObject(parent)
{
    m_hideTimer.setSingleShot(true);
    connect(&m_hideTimer, &QTimer::timeout, this, [this] { setShowing(false); });
}

ToastManager& ToastManager::shared()
{
    static ToastManager instance;
    return instance;
}

void ToastManager::showToast(ToastType type, const QString& message, double seconds)
{
    setToast(Toast { type, message, std::nullopt, {} });
    setShowing(true);
    m_hideTimer.start(static_cast<int>(std::lround(seconds * 1000.0)));
}

void ToastManager::setToast(std::optional<Toast> toast)
{
    m_toast = std::move(toast);
    Q_EMIT toastChanged();
}

void ToastManager::setShowing(bool showing)
{
    if (!showing)
        m_hideTimer.stop();
    if (m_isShowing == showing)
        return;
    m_isShowing = showing;
    Q_EMIT isShowingChanged(showing);
}
