#include "session/FeedbackViewModel.h"

#include "workspace/ToastManager.h"

#include <QPointer>
#include <QTextBoundaryFinder>

FeedbackViewModel::FeedbackViewModel(NetworkService& api, ToastManager& toasts, QObject* parent)
    : QObject(parent)
    , m_repository(&api)
    , m_toasts(toasts)
{
}

void FeedbackViewModel::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    Q_EMIT textChanged(m_text);
}

qsizetype FeedbackViewModel::characterCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

QCoro::Task<bool> FeedbackViewModel::submitFeedback()
{
    if (m_isSubmitting)
        co_return false;
    const QString trimmed = m_text.trimmed();
    if (trimmed.isEmpty())
        co_return false;
    if (characterCount(m_text) > maxCharacters || characterCount(trimmed) > maxCharacters)
        co_return false;

    QPointer<FeedbackViewModel> self(this);
    setSubmitting(true);
    const ApiResult<void> sent = co_await m_repository.sendFeedback(trimmed);
    if (!self)
        co_return sent.has_value();
    if (!sent) {
        m_toasts.showToast(ToastType::error, failurePrefix + sent.error().description(), toastSeconds);
        setSubmitting(false);
        co_return false;
    }
    m_toasts.showToast(ToastType::success, thanksMessage, toastSeconds);
    setText(QString());
    setSubmitting(false);
    co_return true;
}

void FeedbackViewModel::setSubmitting(bool submitting)
{
    if (m_isSubmitting == submitting)
        return;
    m_isSubmitting = submitting;
    Q_EMIT isSubmittingChanged(submitting);
}
