// The main window's item filters: the search text and the assignee filter. An item is shown only
// when it passes both.
#pragma once

#include "domain/Item.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QUuid>
#include <QVarLengthArray>

#include <optional>

struct AssigneeFilter
{
    std::optional<QUuid> memberId;
    bool withoutAssignee = false;

    bool isActive() const { return withoutAssignee || memberId.has_value(); }
    friend bool operator==(const AssigneeFilter&, const AssigneeFilter&) = default;
};

// The search text made ready once (trimmed and lower-cased in the locale) for testing many items:
// a list rebuilt on every keystroke tests thousands of items against the same text.
class ItemSearch
{
public:
    explicit ItemSearch(const QString& searchText, const QLocale& locale = QLocale());

    // Nothing left after trimming: every content matches.
    bool isEmpty() const { return m_needle.isEmpty(); }
    // Whether the content, lower-cased in the same locale, contains the lower-cased search text.
    bool matches(QStringView content) const;

private:
    QVarLengthArray<char16_t, 32> m_needle; // kept inline: a search text is short
    const char* m_caseLocale = ""; // the language whose lower-casing rules apply, as ICU names it
    bool m_asciiNeedle = false; // lower-cased text is plain ASCII
    bool m_asciiRulesPlain = true; // ASCII letters lower-case as A-Z to a-z in this locale
};

class ItemFilter
{
public:
    ItemFilter(const QString& searchText, const AssigneeFilter& assignee)
        : m_search(searchText)
        , m_assignee(assignee)
    {
    }

    bool passes(const Item& item) const { return passesAssignee(item, m_assignee) && m_search.matches(item.content); }

    // Leading and trailing white space and line breaks are ignored; nothing left lets every item pass;
    // otherwise the content must contain the text, case-insensitively in the user's locale.
    static bool passesSearch(const Item& item, const QString& searchText)
    {
        return ItemSearch(searchText).matches(item.content);
    }
    static bool passesAssignee(const Item& item, const AssigneeFilter& filter);
    static bool passes(const Item& item, const QString& searchText, const AssigneeFilter& filter)
    {
        return ItemFilter(searchText, filter).passes(item);
    }

private:
    ItemSearch m_search;
    AssigneeFilter m_assignee;
};
