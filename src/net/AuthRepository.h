// The two sign-in operations of the service.
#pragma once

#include "net/NetworkService.h"

class AuthRepository
{
public:
    explicit AuthRepository(NetworkService* client)
        : m_client(client)
    {
    }

    // GET /auth/google/start?deviceNonce=…
    QCoro::Task<ApiResult<StartLoginResponse>> startLogin(const QString& deviceNonce) const;
    // POST /auth/login with {deviceNonce, ott}
    QCoro::Task<ApiResult<LoginTokens>> completeLogin(const QString& deviceNonce, const QString& ott) const;

private:
    NetworkService* m_client;
};
