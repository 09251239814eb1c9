// The token store over the desktop's Secret Service (through QtKeychain). Never writes plaintext:
// when no secret service answers at all, the tokens live in memory for this run and one log line says
// so. A keyring that answers with an error (locked, refused, too slow) is reported as an error, never
// as "no token".
#pragma once

#include "net/MemoryTokenStore.h"
#include "net/TokenStore.h"

#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class KeyringTokenStore final : public TokenStore
{
public:
    static inline const QString defaultService = QStringLiteral("net.plenko");

    // How long one keyring operation may take before it counts as failed (not as "no token").
    static constexpr std::chrono::milliseconds defaultOperationTimeout { 10000 };

    // The service name groups the items; tests pass their own so they never meet the user's tokens.
    explicit KeyringTokenStore(
        QString service = defaultService, std::chrono::milliseconds operationTimeout = defaultOperationTimeout);

    QCoro::Task<TokenReadResult> read(QString account) override;
    QCoro::Task<TokenWriteResult> save(QString account, QString text) override;
    QCoro::Task<TokenWriteResult> remove(QString account) override;

    // True once this store has fallen back to memory because no secret service answered.
    bool isMemoryOnly() const { return m_memoryOnly; }

private:
    // Decides once whether a secret service exists on the session bus (running or activatable).
    QCoro::Task<void> ensureBackendChosen();
    void fallBackToMemory();
    template<typename Job>
    QCoro::Task<std::unique_ptr<Job>> finishJob(Job* job) const;

    QString m_service;
    std::chrono::milliseconds m_operationTimeout;
    std::optional<bool> m_backendChosen;
    bool m_memoryOnly = false;
    MemoryTokenStore m_memory;
};
