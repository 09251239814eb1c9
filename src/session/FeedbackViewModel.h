// The feedback composer's state: the text being written and whether it is being sent. Sends at most
// 200 characters once at a time, and keeps the text when sending fails so the user can try again.
#pragma once

#include "net/FeedbackRepository.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>

class NetworkService;
class ToastManager;

class FeedbackViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(bool isSubmitting READ isSubmitting NOTIFY isSubmittingChanged)

public:
    static constexpr qsizetype maxCharacters = 200;
    // Both outcomes stay up for the same short time.
    static constexpr double toastSeconds = 2.5;
    static inline const QString thanksMessage
        = QStringLiteral("Thanks for the feedback! We'll reach out via email.");
    static inline const QString failurePrefix = QStringLiteral("Failed to send feedback: ");

    FeedbackViewModel(NetworkService& api, ToastManager& toasts, QObject* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    bool isSubmitting() const { return m_isSubmitting; }

    // True when the feedback was sent. Empty, over-long or overlapping submissions send nothing.
    QCoro::Task<bool> submitFeedback();

    // User-perceived characters, as the editor's counter shows them.
    static qsizetype characterCount(const QString& text);

Q_SIGNALS:
    void textChanged(const QString& text);
    void isSubmittingChanged(bool submitting);

private:
    void setSubmitting(bool submitting);

    FeedbackRepository m_repository;
    ToastManager& m_toasts;
    QString m_text;
    bool m_isSubmitting = false;
};
