// Where the transport keeps its two tokens between runs. Reads tell "no entry" apart from "the keyring
// could not answer", so a locked or slow keyring is never mistaken for a signed-out user.
#pragma once

#include <QCoro/QCoroTask>
#include <QString>

#include <expected>
#include <optional>

// A found token, or absent when the store has no entry for the account; the error is the keyring's
// own description of why it could not answer.
using TokenReadResult = std::expected<std::optional<QString>, QString>;
using TokenWriteResult = std::expected<void, QString>;

class TokenStore
{
public:
    virtual ~TokenStore() = default;

    virtual QCoro::Task<TokenReadResult> read(QString account) = 0;
    // Replaces whatever is stored for the account.
    virtual QCoro::Task<TokenWriteResult> save(QString account, QString text) = 0;
    // Removing what is not there is no error.
    virtual QCoro::Task<TokenWriteResult> remove(QString account) = 0;
};
