// Sends the user's feedback text to the service.
#pragma once

#include "net/NetworkService.h"

class FeedbackRepository
{
public:
    explicit FeedbackRepository(NetworkService* client)
        : m_client(client)
    {
    }

    QCoro::Task<ApiResult<void>> sendFeedback(const QString& text) const;

private:
    NetworkService* m_client;
};
