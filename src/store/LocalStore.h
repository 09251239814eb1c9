// Typed preferences over QSettings. Every value is kept as the bytes of its JSON form, and reads never
// fail: a value that does not decode as the key's type is removed and the key's default returned.
#pragma once

#include "store/JsonCodec.h"
#include "store/LocalStoreKey.h"

#include <QByteArray>
#include <QSettings>
#include <QString>

#include <memory>
#include <optional>
#include <type_traits>

class LocalStore
{
public:
    // The application's own preferences, made on first use; every user of preferences goes through it.
    static LocalStore& shared();

    // Over settings that the caller owns and keeps alive.
    explicit LocalStore(QSettings* settings);
    // Over its own INI file at the path.
    explicit LocalStore(const QString& filePath);
    ~LocalStore();
    LocalStore(const LocalStore&) = delete;
    LocalStore& operator=(const LocalStore&) = delete;

    template<typename T>
    T get(const LocalStoreKey<T>& key);

    // An absent optional removes the entry, so a later read returns the default, not a stored null.
    template<typename T>
    void set(const std::type_identity_t<T>& value, const LocalStoreKey<T>& key);

    // Removes every key that begins with the prefix (case-sensitive).
    void removeAll(const QString& prefix);

    // Removes one entry whatever its type.
    void remove(const QString& name);
    bool contains(const QString& name) const;

    QSettings& defaults() { return *m_settings; }

private:
    explicit LocalStore(std::unique_ptr<QSettings> settings);

    std::optional<QByteArray> readData(const QString& name) const;
    void writeData(const QString& name, const QByteArray& data);

    static std::optional<QJsonValue> parseFragment(const QByteArray& data);
    static QByteArray serializeFragment(const QJsonValue& value);

    std::unique_ptr<QSettings> m_ownedSettings;
    QSettings* m_settings;
};

template<typename T>
struct IsOptional : std::false_type
{
};
template<typename T>
struct IsOptional<std::optional<T>> : std::true_type
{
};

template<typename T>
T LocalStore::get(const LocalStoreKey<T>& key)
{
    const std::optional<QByteArray> data = readData(key.name);
    if (!data)
        return key.defaultValue;
    if (const std::optional<QJsonValue> json = parseFragment(*data)) {
        if (std::optional<T> value = JsonCodec<T>::decode(*json))
            return std::move(*value);
    }
    remove(key.name);
    return key.defaultValue;
}

template<typename T>
void LocalStore::set(const std::type_identity_t<T>& value, const LocalStoreKey<T>& key)
{
    if constexpr (IsOptional<T>::value) {
        if (!value) {
            remove(key.name);
            return;
        }
    }
    const QJsonValue json = JsonCodec<T>::encode(value);
    if (json.isUndefined())
        return;
    writeData(key.name, serializeFragment(json));
}
