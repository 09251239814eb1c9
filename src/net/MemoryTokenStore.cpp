#include "net/MemoryTokenStore.h"

QCoro::Task<TokenReadResult> MemoryTokenStore::read(QString account)
{
    const auto found = m_tokens.constFind(account);
    if (found == m_tokens.constEnd())
        co_return std::optional<QString>();
    co_return std::optional<QString>(*found);
}

QCoro::Task<TokenWriteResult> MemoryTokenStore::save(QString account, QString text)
{
    m_tokens.insert(account, text);
    co_return TokenWriteResult();
}

QCoro::Task<TokenWriteResult> MemoryTokenStore::remove(QString account)
{
    m_tokens.remove(account);
    co_return TokenWriteResult();
}
