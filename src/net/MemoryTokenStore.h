// Tokens held for this run only: the fallback when no secret service answers.
#pragma once

#include "net/TokenStore.h"

#include <QHash>

class MemoryTokenStore final : public TokenStore
{
public:
    QCoro::Task<TokenReadResult> read(QString account) override;
    QCoro::Task<TokenWriteResult> save(QString account, QString text) override;
    QCoro::Task<TokenWriteResult> remove(QString account) override;

private:
    QHash<QString, QString> m_tokens;
};
