// The two drag payloads as another program (or another version of this one) might offer them. The
// first byte picks the payload. A payload either reads to ids that the encoder writes back to the same
// value, or to an error of its own domain with a sentence for the log.
#include "FuzzSupport.h"

#include "sidebar/BoardTransfer.h"
#include "sidebar/ItemTransfer.h"

namespace {
template<typename Transfer>
void check(const QByteArray& bytes, const QString& domain)
{
    const auto decoded = Transfer::decode(bytes);
    if (!decoded) {
        fuzzRequire(decoded.error().domain == domain && !decoded.error().message.isEmpty(),
            "a payload that does not read says why, in its own domain", QString::fromUtf8(bytes));
        return;
    }
    const auto again = Transfer::decode(decoded->encoded());
    fuzzRequire(again.has_value() && *again == *decoded, "an accepted payload survives being written back",
        QString::fromUtf8(bytes) + QLatin1Char('\n') + QString::fromUtf8(decoded->encoded()));
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzInput input = FuzzInput::from(data, size);
    if (input.selector & 1)
        check<ItemTransfer>(input.rest, QStringLiteral("ItemTransfer"));
    else
        check<BoardTransfer>(input.rest, QStringLiteral("BoardTransfer"));
    return 0;
}
