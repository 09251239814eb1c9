// Conversions between QString and ICU strings. Both are UTF-16, so ranges carry over unchanged.
#pragma once

#include <QString>

#include <unicode/unistr.h>

class IcuText
{
public:
    // A read-only ICU view of the QString's buffer; valid while the QString is alive and unchanged.
    static icu::UnicodeString view(const QString& text);
    static QString toQString(const icu::UnicodeString& text);
};
