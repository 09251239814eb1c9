#include "net/AuthRepository.h"

#include "domain/WireEncoder.h"
#include "net/Endpoint.h"

QCoro::Task<ApiResult<StartLoginResponse>> AuthRepository::startLogin(const QString& deviceNonce) const
{
    return fetchRecord<StartLoginResponse>(m_client,
        { "GET", QStringLiteral("/auth/google/start"), { { QStringLiteral("deviceNonce"), deviceNonce } } });
}

QCoro::Task<ApiResult<LoginTokens>> AuthRepository::completeLogin(const QString& deviceNonce, const QString& ott) const
{
    return fetchRecord<LoginTokens>(m_client,
        { "POST", QStringLiteral("/auth/login"), {}, true, encodeBody(CompleteLoginRequest { deviceNonce, ott }) });
}
