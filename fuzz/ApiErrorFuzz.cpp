// The service's error bodies: read as they are, and as the answer of a failed HTTP exchange. Whatever
// arrives, the error the user sees has a code and a message.
#include "FuzzSupport.h"

#include "domain/ApiError.h"

namespace {
void requireReadable(const ApiError& error, const char* where)
{
    fuzzRequire(!error.code.isEmpty(), "an error always has a code", QString::fromLatin1(where));
    fuzzRequire(!error.message.isEmpty(), "an error always has a message", QString::fromLatin1(where));
    fuzzRequire(error.message == error.message.trimmed(), "messages are trimmed", error.message);
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzInput input = FuzzInput::from(data, size);
    if (const std::optional<ApiError> error = ApiError::fromBody(input.rest))
        requireReadable(*error, "fromBody");

    // Statuses from 0 to 599, weighted to the failures the transport meets.
    static constexpr int statuses[] = { 400, 401, 403, 404, 409, 410, 422, 429, 500, 502, 503, 504 };
    const int status = input.selector < 192 ? statuses[input.selector % std::size(statuses)] : (input.selector - 192) * 10;
    const ApiError failure = ApiError::fromHttpFailure(status, input.rest, QStringLiteral("/boards/sync"));
    requireReadable(failure, "fromHttpFailure");
    return 0;
}
