// Every response record through the service decoder. The first byte picks the record, the rest is
// the body. A rejected body must name its fault; an accepted one must survive being written back
// by the encoder and read again, unchanged.
#include "FuzzSupport.h"

#include "domain/ServiceDecoder.h"
#include "wirecodec/ResponseEncoder.h"

namespace {
template<typename T>
void check(const QByteArray& body)
{
    const auto decoded = decodeServiceResponse<T>(body);
    if (!decoded) {
        fuzzRequire(!decoded.error().isEmpty(), "a rejected response names its fault", serviceRecordName<T>());
        return;
    }
    const QByteArray encoded = encodeBody(*decoded);
    const auto again = decodeServiceResponse<T>(encoded);
    fuzzRequire(again.has_value(), "an accepted response, written back, decodes again",
        serviceRecordName<T>() + QLatin1Char('\n') + QString::fromUtf8(encoded) + QLatin1Char('\n')
            + (again ? QString() : again.error()));
    fuzzRequire(encodeBody(*again) == encoded, "decoding and encoding again changes nothing",
        serviceRecordName<T>() + QLatin1Char('\n') + QString::fromUtf8(encoded));
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzInput input = FuzzInput::from(data, size);
    switch (input.selector % 11) {
    case 0: check<StartLoginResponse>(input.rest); break;
    case 1: check<LoginTokens>(input.rest); break;
    case 2: check<CurrentUserResponse>(input.rest); break;
    case 3: check<RemoteBoard>(input.rest); break;
    case 4: check<QList<RemoteBoard>>(input.rest); break;
    case 5: check<RemoteBoardResponse>(input.rest); break;
    case 6: check<SyncResponse>(input.rest); break;
    case 7: check<ItemResponse>(input.rest); break;
    case 8: check<InvitationResponse>(input.rest); break;
    case 9: check<ImproveTextResponse>(input.rest); break;
    default: check<NotificationFeedResponse>(input.rest); break;
    }
    return 0;
}
