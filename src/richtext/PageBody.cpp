#include "richtext/PageBody.h"

#include <QStringDecoder>

namespace {

// The number of bytes at the end that start a UTF-8 sequence the cut left unfinished.
qsizetype unfinishedSequenceLength(const QByteArray& bytes)
{
    const qsizetype size = bytes.size();
    for (qsizetype back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(bytes[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte: keep looking for the lead byte
        qsizetype expected = 1;
        if ((byte & 0xE0) == 0xC0)
            expected = 2;
        else if ((byte & 0xF0) == 0xE0)
            expected = 3;
        else if ((byte & 0xF8) == 0xF0)
            expected = 4;
        return expected > back ? back : 0;
    }
    return 0;
}

} // namespace

namespace PageBody {

QString decode(const QByteArray& bytes, bool wasCut)
{
    QByteArray body = bytes.left(maxBytes);
    // Our own cut must not make a UTF-8 page look like Latin-1.
    if (wasCut || bytes.size() > maxBytes)
        body.chop(unfinishedSequenceLength(body));
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes.left(maxBytes));
}

} // namespace PageBody
