#include "net/UserRepository.h"

#include "net/Endpoint.h"

QCoro::Task<ApiResult<CurrentUserResponse>> UserRepository::fetchCurrentUser() const
{
    // The service expects the JSON content type on this GET as well.
    return fetchRecord<CurrentUserResponse>(m_client, { "GET", QStringLiteral("/api/users/me"), {}, true });
}
