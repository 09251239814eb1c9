// The signed-in user's profile.
#pragma once

#include "net/NetworkService.h"

class UserRepository
{
public:
    explicit UserRepository(NetworkService* client)
        : m_client(client)
    {
    }

    QCoro::Task<ApiResult<CurrentUserResponse>> fetchCurrentUser() const;

private:
    NetworkService* m_client;
};
