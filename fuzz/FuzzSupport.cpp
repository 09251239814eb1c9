#include "FuzzSupport.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

void fuzzRequire(bool condition, const char* property, const QString& detail)
{
    if (condition)
        return;
    // Written with its length: a detail with NUL characters would end at the first one as a C string.
    const QByteArray shown = detail.toUtf8();
    std::fprintf(stderr, "property broken: %s\n", property);
    std::fwrite(shown.constData(), 1, static_cast<std::size_t>(shown.size()), stderr);
    std::fputc('\n', stderr);
    std::abort();
}

FuzzInput FuzzInput::from(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input;
    if (size == 0)
        return input;
    input.selector = data[0];
    input.rest = QByteArray(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    return input;
}

void ensureGuiApplication()
{
    if (QGuiApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "plenko-fuzz";
    static char* argv[] = { name, nullptr };
    // Kept until the process ends: libFuzzer leaves by exit(), and Qt's own teardown is not under test.
    new QGuiApplication(argc, argv);
}
