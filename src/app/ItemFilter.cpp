#include "app/ItemFilter.h"

#include <unicode/ustring.h>

#include <algorithm>

namespace {
// Only these languages lower-case differently from the root rules (dotted and dotless i, and the
// Lithuanian dot above); ICU picks the rules by the language alone.
const char* caseLocaleOf(const QLocale& locale)
{
    switch (locale.language()) {
    case QLocale::Turkish:
        return "tr";
    case QLocale::Azerbaijani:
        return "az";
    case QLocale::Lithuanian:
        return "lt";
    default:
        return "";
    }
}

// Lower-cases into `out` in the locale's rules; the result may be longer than the text.
template <qsizetype Prealloc>
void lowerInto(QStringView text, const char* caseLocale, QVarLengthArray<char16_t, Prealloc>& out)
{
    const auto source = reinterpret_cast<const UChar*>(text.utf16());
    const auto length = static_cast<int32_t>(text.size());
    out.resize(std::max<qsizetype>(text.size(), 1));
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t needed = u_strToLower(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
            source, length, caseLocale, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(needed);
            continue;
        }
        if (U_FAILURE(status))
            break;
        out.resize(needed);
        return;
    }
    // ICU refused (it does not for valid UTF-16 with enough room): fall back to Qt's rules.
    const QString lowered = text.toString().toLower();
    out.resize(lowered.size());
    std::copy(lowered.utf16(), lowered.utf16() + lowered.size(), out.data());
}

bool isAscii(QStringView text)
{
    char16_t any = 0;
    for (const QChar ch : text)
        any |= ch.unicode();
    return any < 0x80;
}
}

ItemSearch::ItemSearch(const QString& searchText, const QLocale& locale)
    : m_caseLocale(caseLocaleOf(locale))
{
    const QStringView trimmed = QStringView(searchText).trimmed();
    if (trimmed.isEmpty())
        return;
    lowerInto(trimmed, m_caseLocale, m_needle);
    m_asciiNeedle = isAscii(QStringView(m_needle.constData(), m_needle.size()));
    // Turkish and Azerbaijani lower-case "I" to a dotless i.
    m_asciiRulesPlain = qstrcmp(m_caseLocale, "tr") != 0 && qstrcmp(m_caseLocale, "az") != 0;
}

bool ItemSearch::matches(QStringView content) const
{
    if (m_needle.isEmpty())
        return true;
    const QStringView needle(m_needle.constData(), m_needle.size());
    // Plain ASCII text lower-cases letter for letter, so it is compared where it stands (case folding
    // of ASCII is exactly that lower-casing).
    if (m_asciiNeedle && m_asciiRulesPlain && isAscii(content))
        return content.contains(needle, Qt::CaseInsensitive);
    QVarLengthArray<char16_t, 512> lowered;
    lowerInto(content, m_caseLocale, lowered);
    return QStringView(lowered.constData(), lowered.size()).contains(needle);
}

bool ItemFilter::passesAssignee(const Item& item, const AssigneeFilter& filter)
{
    if (filter.withoutAssignee)
        return !item.assignee.has_value();
    if (filter.memberId)
        return item.assignee == filter.memberId;
    return true;
}
