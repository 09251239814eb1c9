#include "net/FeedbackRepository.h"

#include "domain/WireEncoder.h"
#include "net/Endpoint.h"

QCoro::Task<ApiResult<void>> FeedbackRepository::sendFeedback(const QString& text) const
{
    return sendIgnoringBody(m_client,
        { "POST", QStringLiteral("/api/feedback"), {}, true, encodeBody(FeedbackRequest { text }) });
}
