#include "richtext/AttributedText.h"

#include <algorithm>

void AttributedText::append(const QString& text, const TextAttributes& attributes)
{
    insert(m_text.size(), text, attributes);
}

void AttributedText::insert(qsizetype position, const QString& text, const TextAttributes& attributes)
{
    m_text.insert(position, text);
    m_attributes.insert(position, text.size(), attributes);
}

void AttributedText::replace(qsizetype position, qsizetype length, const QString& text, const QList<TextAttributes>& attributes)
{
    Q_ASSERT(attributes.size() == text.size());
    m_text.replace(position, length, text);
    const qsizetype common = std::min(length, attributes.size());
    for (qsizetype i = 0; i < common; ++i)
        m_attributes[position + i] = attributes.at(i);
    if (length > common)
        m_attributes.remove(position + common, length - common);
    for (qsizetype i = common; i < attributes.size(); ++i)
        m_attributes.insert(position + i, attributes.at(i));
}

int AttributedText::addAttachment(const TemporalBadgeAttachmentCell& cell)
{
    m_attachments.append(cell);
    return static_cast<int>(m_attachments.size() - 1);
}

QList<AttributedText::Run> AttributedText::runs() const
{
    QList<Run> result;
    qsizetype start = 0;
    for (qsizetype i = 1; i <= m_text.size(); ++i) {
        if (i == m_text.size() || !(m_attributes.at(i) == m_attributes.at(start))) {
            result.append({start, i - start});
            start = i;
        }
    }
    return result;
}
