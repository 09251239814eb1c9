// Every request record through the request decoder (what the stand-in service reads). The first
// byte picks the record, the rest is the body. Same properties as the responses: a clear fault, or
// a record that the encoder writes back to a body that decodes to the same record.
#include "FuzzSupport.h"

#include "domain/WireEncoder.h"
#include "wirecodec/RequestDecoder.h"

#include <typeinfo>

namespace {
template<typename T>
void check(const QByteArray& body)
{
    const QString name = QString::fromLatin1(typeid(T).name());
    const auto decoded = decodeRequestBody<T>(body);
    if (!decoded) {
        fuzzRequire(!decoded.error().isEmpty(), "a rejected request names its fault", name);
        return;
    }
    const QByteArray encoded = encodeBody(*decoded);
    const auto again = decodeRequestBody<T>(encoded);
    fuzzRequire(again.has_value(), "an accepted request, written back, decodes again",
        name + QLatin1Char('\n') + QString::fromUtf8(encoded) + QLatin1Char('\n') + (again ? QString() : again.error()));
    fuzzRequire(encodeBody(*again) == encoded, "decoding and encoding again changes nothing",
        name + QLatin1Char('\n') + QString::fromUtf8(encoded));
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzInput input = FuzzInput::from(data, size);
    switch (input.selector % 11) {
    case 0: check<CompleteLoginRequest>(input.rest); break;
    case 1: check<RefreshRequest>(input.rest); break;
    case 2: check<LogoutRequest>(input.rest); break;
    case 3: check<RemoteBoardRequest>(input.rest); break;
    case 4: check<ChangeBoardOwnerRequest>(input.rest); break;
    case 5: check<SyncRequest>(input.rest); break;
    case 6: check<UpsertItemRequest>(input.rest); break;
    case 7: check<UpdateItemRequest>(input.rest); break;
    case 8: check<ImproveTextRequest>(input.rest); break;
    case 9: check<FeedbackRequest>(input.rest); break;
    default: check<MarkNotificationReadRequest>(input.rest); break;
    }
    return 0;
}
