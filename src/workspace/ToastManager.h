// The one presenter of transient messages: one toast at a time, hidden after its own duration.
// Views show the banner while isShowing is true; the text stays in toast() after hiding.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

enum class ToastType { success, error, info };

struct Toast
{
    ToastType type = ToastType::info;
    QString message;
    std::optional<QString> actionTitle;
    std::function<void()> onAction;
};

class ToastManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isShowing READ isShowing NOTIFY isShowingChanged)

public:
    static constexpr double successSeconds = 2.5;
    static constexpr double infoSeconds = 2.5;
    static constexpr double errorSeconds = 4.0;

    explicit ToastManager(QObject* parent = nullptr);

    // The process-wide presenter, made on first use.
    static ToastManager& shared();

    void showToast(ToastType type, const QString& message, double seconds);
    void showSuccess(const QString& message) { showToast(ToastType::success, message, successSeconds); }
    void showInfo(const QString& message) { showToast(ToastType::info, message, infoSeconds); }
    void showError(const QString& message) { showToast(ToastType::error, message, errorSeconds); }

    // For banners with an action button: the caller sets the toast and decides when it hides.
    void setToast(std::optional<Toast> toast);
    void setShowing(bool showing);

    const std::optional<Toast>& toast() const { return m_toast; }
    bool isShowing() const { return m_isShowing; }

Q_SIGNALS:
    void toastChanged();
    void isShowingChanged(bool showing);

private:
    std::optional<Toast> m_toast;
    bool m_isShowing = false;
    // Restarted by every toast, so a newer toast is never hidden by an older one's deadline.
    QTimer m_hideTimer;
};
