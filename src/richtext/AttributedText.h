// A string with attributes per UTF-16 unit: the working form of rendered item text between the
// markdown parser and the document. Item texts are short, so one attribute record per unit keeps
// every pass (insertions, replacements, range styling) simple and exact.
#pragma once

#include "richtext/TemporalBadgeAttachmentCell.h"
#include "richtext/TextAttributes.h"

#include <QList>
#include <QString>

class AttributedText
{
public:
    struct Run
    {
        qsizetype start = 0;
        qsizetype length = 0;
    };

    const QString& text() const { return m_text; }
    qsizetype size() const { return m_text.size(); }
    bool isEmpty() const { return m_text.isEmpty(); }
    const TextAttributes& attributesAt(qsizetype index) const { return m_attributes.at(index); }

    void append(const QString& text, const TextAttributes& attributes);
    void insert(qsizetype position, const QString& text, const TextAttributes& attributes);
    // Replaces [position, position + length) with `text`, one attribute record per unit of `text`.
    void replace(qsizetype position, qsizetype length, const QString& text, const QList<TextAttributes>& attributes);

    // Calls `change` with the attributes of every unit in [position, position + length).
    template<typename Change>
    void modify(qsizetype position, qsizetype length, Change change)
    {
        for (qsizetype i = position; i < position + length; ++i)
            change(m_attributes[i]);
    }

    int addAttachment(const TemporalBadgeAttachmentCell& cell);
    const QList<TemporalBadgeAttachmentCell>& attachments() const { return m_attachments; }

    // Maximal ranges of units with equal attributes, in text order.
    QList<Run> runs() const;

private:
    QString m_text;
    QList<TextAttributes> m_attributes;
    QList<TemporalBadgeAttachmentCell> m_attachments;
};
