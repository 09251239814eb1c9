// Preferences against real QSettings files in a temporary folder: defaults, self-healing reads,
// removal of absent optionals, prefix removal and the stored JSON form of every value type.
#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"

#include "BundleInfo.h"

#include <QJsonObject>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QFile>
#include <QSysInfo>
#include <QFileInfo>
#include <QLockFile>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// A record kept the way the sidebar keeps its entries: an object with a "type" that must be known.
struct LayoutEntry
{
    QString type;
    QUuid id;
    bool operator==(const LayoutEntry&) const = default;
};

}

template<>
struct JsonCodec<LayoutEntry>
{
    static QJsonValue encode(const LayoutEntry& entry)
    {
        return QJsonObject { { QStringLiteral("type"), entry.type }, { QStringLiteral("id"), uuidText(entry.id) } };
    }
    static std::optional<LayoutEntry> decode(const QJsonValue& json)
    {
        const QJsonObject object = json.toObject();
        const QString type = object.value(QStringLiteral("type")).toString();
        if (type != QLatin1String("board") && type != QLatin1String("divider"))
            return std::nullopt;
        const std::optional<QUuid> id = JsonCodec<QUuid>::decode(object.value(QStringLiteral("id")));
        if (!id)
            return std::nullopt;
        return LayoutEntry { type, *id };
    }
};

namespace {

// One key with a sample value, with its type erased so rows of different types share a table.
struct Probe
{
    QString name;
    std::function<void(LocalStore&)> writeSample;
    std::function<bool(LocalStore&)> readsSample;
    std::function<bool(LocalStore&)> readsDefault;
};

template<typename T>
Probe probe(const LocalStoreKey<T>& key, T sample)
{
    return { key.name, [key, sample](LocalStore& store) { store.set(sample, key); },
        [key, sample](LocalStore& store) { return store.get(key) == sample; },
        [key](LocalStore& store) { return store.get(key) == key.defaultValue; } };
}

const QUuid boardA = QUuid::fromString(QStringLiteral("{3f2504e0-4f89-11d3-9a0c-0305e82c3301}"));
const QUuid boardB = QUuid::fromString(QStringLiteral("{0a1b2c3d-0000-4000-8000-00000000000b}"));
const QString boardAText = QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C3301");
const QString boardBText = QStringLiteral("0A1B2C3D-0000-4000-8000-00000000000B");

}

Q_DECLARE_METATYPE(Probe)

class PreferencesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void freshInstallationReadsDefaults();
    void damagedValueHealsToDefault_data();
    void damagedValueHealsToDefault();
    void roundTripSurvivesRestart_data();
    void roundTripSurvivesRestart();
    void absentOptionalRemovesEntry_data();
    void absentOptionalRemovesEntry();
    void removeAllTakesOnlyThePrefix();
    void sharedStoreUsesTheApplicationDomain();
    void abandonedLockIsClearedAtOpen_data();
    void abandonedLockIsClearedAtOpen();
    void liveLockIsKept();

private:
    QString settingsPath() const { return m_dir->filePath(QStringLiteral("preferences.ini")); }
    // What is on disk, read past the store: the bytes a restart would find.
    QVariant storedValue(const QString& name) const
    {
        QSettings raw(settingsPath(), QSettings::IniFormat);
        return raw.value(name);
    }
    void writeRaw(const QString& name, const QVariant& value)
    {
        QSettings raw(settingsPath(), QSettings::IniFormat);
        raw.setValue(name, value);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void PreferencesTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void PreferencesTest::cleanup()
{
    m_dir.reset();
}

void PreferencesTest::freshInstallationReadsDefaults()
{
    LocalStore store(settingsPath());
    QCOMPARE(store.get(PreferenceKeys::archivedCollapsed()), true);
    QCOMPARE(store.get(PreferenceKeys::appearanceSelection()), AppAppearance::dark);
    QCOMPARE(store.get(PreferenceKeys::inviteButtonTapCount()), 0);
    QCOMPARE(store.get(PreferenceKeys::selectedBoardId()), std::nullopt);
    QCOMPARE(store.get(PreferenceKeys::quickCaptureId()), std::nullopt);
    QVERIFY(store.get(PreferenceKeys::highlightedBoards()).isEmpty());
    QCOMPARE(store.get(PreferenceKeys::checkpoint(boardA)), std::nullopt);
    QVERIFY(store.get(PreferenceKeys::boardOrder(QStringLiteral("local"))).isEmpty());
    // Reading a default writes nothing.
    QVERIFY(store.defaults().allKeys().isEmpty());
}

void PreferencesTest::damagedValueHealsToDefault_data()
{
    QTest::addColumn<Probe>("key");
    QTest::addColumn<QVariant>("stored");

    const Probe selected = probe(PreferenceKeys::selectedBoardId(), std::optional(boardA));
    const Probe highlighted = probe(PreferenceKeys::highlightedBoards(), QSet<QUuid> { boardA });
    const Probe quickCapture = probe(PreferenceKeys::quickCaptureId(), std::optional(boardB));
    const Probe taps = probe(PreferenceKeys::inviteButtonTapCount(), 3);
    const Probe collapsed = probe(PreferenceKeys::archivedCollapsed(), false);
    const Probe appearance = probe(PreferenceKeys::appearanceSelection(), AppAppearance::light);
    const Probe checkpoint = probe(PreferenceKeys::checkpoint(boardA), std::optional<qint64>(7));
    const Probe order = probe(PreferenceKeys::boardOrder(QStringLiteral("cloud")), QList<QUuid> { boardB });
    const Probe layout = probe(PreferenceKeys::sidebarLayout<LayoutEntry>(QStringLiteral("cloud")),
        QList<LayoutEntry> { { QStringLiteral("board"), boardA } });

    QTest::newRow("uuid: not JSON") << selected << QVariant(QByteArray("3F2504E0-4F89"));
    QTest::newRow("uuid: number") << selected << QVariant(QByteArray("42"));
    QTest::newRow("uuid: text that is no id") << selected << QVariant(QByteArray("\"board-a\""));
    QTest::newRow("uuid: stored null") << quickCapture << QVariant(QByteArray("null"));
    QTest::newRow("uuid: two fragments") << quickCapture << QVariant(QByteArray("\"" + boardAText.toUtf8() + "\",1"));
    QTest::newRow("uuid: plain text from another writer") << quickCapture << QVariant(QStringLiteral("hello"));
    QTest::newRow("set: one bad element") << highlighted << QVariant(QByteArray("[\"" + boardAText.toUtf8() + "\",\"x\"]"));
    QTest::newRow("set: object") << highlighted << QVariant(QByteArray("{}"));
    QTest::newRow("set: truncated") << highlighted << QVariant(QByteArray("[\"" + boardAText.toUtf8()));
    QTest::newRow("int: fraction") << taps << QVariant(QByteArray("1.5"));
    QTest::newRow("int: quoted") << taps << QVariant(QByteArray("\"3\""));
    QTest::newRow("int: beyond 32 bits") << taps << QVariant(QByteArray("4294967296"));
    QTest::newRow("int: empty") << taps << QVariant(QByteArray(""));
    QTest::newRow("bool: number") << collapsed << QVariant(QByteArray("0"));
    QTest::newRow("bool: quoted") << collapsed << QVariant(QByteArray("\"false\""));
    QTest::newRow("appearance: other case") << appearance << QVariant(QByteArray("\"Light\""));
    QTest::newRow("appearance: unknown") << appearance << QVariant(QByteArray("\"blue\""));
    QTest::newRow("appearance: unquoted") << appearance << QVariant(QByteArray("light"));
    QTest::newRow("int64: quoted") << checkpoint << QVariant(QByteArray("\"12\""));
    QTest::newRow("int64: huge") << checkpoint << QVariant(QByteArray("1e300"));
    QTest::newRow("int64: bool") << checkpoint << QVariant(QByteArray("true"));
    QTest::newRow("uuid array: number element") << order << QVariant(QByteArray("[\"" + boardBText.toUtf8() + "\",5]"));
    QTest::newRow("records: unknown type") << layout
        << QVariant(QByteArray("[{\"type\":\"spacer\",\"id\":\"" + boardAText.toUtf8() + "\"}]"));
    QTest::newRow("records: not an array") << layout << QVariant(QByteArray("{\"type\":\"board\"}"));
}

void PreferencesTest::damagedValueHealsToDefault()
{
    QFETCH(Probe, key);
    QFETCH(QVariant, stored);
    writeRaw(key.name, stored);
    writeRaw(QStringLiteral("bystander"), QByteArray("true"));

    LocalStore store(settingsPath());
    QVERIFY(store.contains(key.name));
    QVERIFY(key.readsDefault(store));
    QVERIFY2(!store.contains(key.name), "the damaged entry should be removed by the read");
    QVERIFY(!storedValue(key.name).isValid());
    QCOMPARE(storedValue(QStringLiteral("bystander")).toByteArray(), QByteArray("true"));

    // Healed for good: a new value is stored and read normally.
    key.writeSample(store);
    QVERIFY(key.readsSample(store));
}

void PreferencesTest::roundTripSurvivesRestart_data()
{
    QTest::addColumn<Probe>("key");
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray a = boardAText.toUtf8();
    const QByteArray b = boardBText.toUtf8();
    QTest::newRow("uuid upper case") << probe(PreferenceKeys::selectedBoardId(), std::optional(boardA))
                                     << QByteArray("\"" + a + "\"");
    QTest::newRow("set sorted") << probe(PreferenceKeys::highlightedBoards(), QSet<QUuid> { boardA, boardB })
                                << QByteArray("[\"" + b + "\",\"" + a + "\"]");
    QTest::newRow("empty set") << probe(PreferenceKeys::highlightedBoards(), QSet<QUuid> {}) << QByteArray("[]");
    QTest::newRow("quick capture") << probe(PreferenceKeys::quickCaptureId(), std::optional(boardB))
                                   << QByteArray("\"" + b + "\"");
    QTest::newRow("int") << probe(PreferenceKeys::inviteButtonTapCount(), 3) << QByteArray("3");
    QTest::newRow("bool false") << probe(PreferenceKeys::archivedCollapsed(), false) << QByteArray("false");
    QTest::newRow("appearance light") << probe(PreferenceKeys::appearanceSelection(), AppAppearance::light)
                                      << QByteArray("\"light\"");
    QTest::newRow("appearance dark") << probe(PreferenceKeys::appearanceSelection(), AppAppearance::dark)
                                     << QByteArray("\"dark\"");
    QTest::newRow("int64 beyond double precision")
        << probe(PreferenceKeys::checkpoint(boardA), std::optional<qint64>(9007199254740993LL))
        << QByteArray("9007199254740993");
    QTest::newRow("int64 max") << probe(PreferenceKeys::checkpoint(boardB), std::optional<qint64>(INT64_MAX))
                               << QByteArray("9223372036854775807");
    QTest::newRow("int64 zero") << probe(PreferenceKeys::checkpoint(boardB), std::optional<qint64>(0))
                                << QByteArray("0");
    QTest::newRow("uuid array keeps order")
        << probe(PreferenceKeys::boardOrder(QStringLiteral("local")), QList<QUuid> { boardA, boardB })
        << QByteArray("[\"" + a + "\",\"" + b + "\"]");
    QTest::newRow("records as objects")
        << probe(PreferenceKeys::sidebarLayout<LayoutEntry>(QStringLiteral("local")),
               QList<LayoutEntry> { { QStringLiteral("divider"), boardB } })
        << QByteArray("[{\"id\":\"" + b + "\",\"type\":\"divider\"}]");
}

void PreferencesTest::roundTripSurvivesRestart()
{
    QFETCH(Probe, key);
    QFETCH(QByteArray, bytes);
    {
        LocalStore store(settingsPath());
        key.writeSample(store);
    }
    QCOMPARE(storedValue(key.name).toByteArray(), bytes);
    LocalStore restarted(settingsPath());
    QVERIFY(key.readsSample(restarted));
    QVERIFY(restarted.contains(key.name));
}

void PreferencesTest::absentOptionalRemovesEntry_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("selected board") << PreferenceKeys::selectedBoardId().name;
    QTest::newRow("quick capture board") << PreferenceKeys::quickCaptureId().name;
    QTest::newRow("checkpoint") << PreferenceKeys::checkpoint(boardA).name;
}

void PreferencesTest::absentOptionalRemovesEntry()
{
    QFETCH(QString, name);
    LocalStore store(settingsPath());
    if (name.startsWith(PreferenceKeys::checkpointPrefix())) {
        const auto key = PreferenceKeys::checkpoint(boardA);
        store.set(41, key);
        QCOMPARE(store.get(key), std::optional<qint64>(41));
        store.set(std::nullopt, key);
        QCOMPARE(store.get(key), std::nullopt);
    } else {
        const LocalStoreKey<std::optional<QUuid>> key { name, std::nullopt };
        store.set(boardA, key);
        QCOMPARE(store.get(key), std::optional(boardA));
        store.set(std::nullopt, key);
        QCOMPARE(store.get(key), std::nullopt);
    }
    QVERIFY(!store.contains(name));
    QVERIFY2(!storedValue(name).isValid(), "no null may be left in the file");
}

void PreferencesTest::removeAllTakesOnlyThePrefix()
{
    LocalStore store(settingsPath());
    store.set(12, PreferenceKeys::checkpoint(boardA));
    store.set(13, PreferenceKeys::checkpoint(boardB));
    store.set(boardA, PreferenceKeys::quickCaptureId());
    store.set(QSet<QUuid> { boardB }, PreferenceKeys::highlightedBoards());
    store.set(AppAppearance::light, PreferenceKeys::appearanceSelection());
    const LocalStoreKey<bool> lookalikes[] = { { QStringLiteral("Checkpoint.X"), false },
        { QStringLiteral("checkpoints"), false }, { QStringLiteral("board.checkpoint.X"), false } };
    for (const LocalStoreKey<bool>& key : lookalikes)
        store.set(true, key);

    store.removeAll(PreferenceKeys::checkpointPrefix());

    QCOMPARE(store.get(PreferenceKeys::checkpoint(boardA)), std::nullopt);
    QCOMPARE(store.get(PreferenceKeys::checkpoint(boardB)), std::nullopt);
    QCOMPARE(store.get(PreferenceKeys::quickCaptureId()), std::optional(boardA));
    QCOMPARE(store.get(PreferenceKeys::highlightedBoards()), QSet<QUuid> { boardB });
    QCOMPARE(store.get(PreferenceKeys::appearanceSelection()), AppAppearance::light);
    for (const LocalStoreKey<bool>& key : lookalikes)
        QVERIFY2(store.get(key), qPrintable(key.name));
    QVERIFY(!storedValue(PreferenceKeys::checkpoint(boardA).name).isValid());
}

void PreferencesTest::sharedStoreUsesTheApplicationDomain()
{
    QSettings& defaults = LocalStore::shared().defaults();
    QCOMPARE(defaults.format(), QSettings::NativeFormat);
    QCOMPARE(defaults.scope(), QSettings::UserScope);
    QVERIFY(!defaults.applicationName().contains(QLatin1Char('.')));
    QCOMPARE(defaults.organizationName() + QLatin1Char('.') + defaults.applicationName(),
        QString::fromUtf8(BundleInfo::bundleIdentifier));
    QCOMPARE(&LocalStore::shared(), &LocalStore::shared());
}

void PreferencesTest::abandonedLockIsClearedAtOpen_data()
{
    QTest::addColumn<QByteArray>("lockContents");
    // Killed between creating the lock and writing its owner.
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("damaged") << QByteArray("\x01\x02 not a lock");
    // The owner's process id no longer runs on this host.
    QTest::newRow("dead owner") << QByteArray("2147483646\nplenko\n") + QSysInfo::machineHostName().toUtf8()
            + QByteArray("\n");
}

void PreferencesTest::abandonedLockIsClearedAtOpen()
{
    QFETCH(QByteArray, lockContents);
    const QString lockPath = settingsPath() + QStringLiteral(".lock");
    {
        QFile lock(lockPath);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(lockContents);
    }
    LocalStore store(settingsPath());
    QVERIFY2(!QFileInfo::exists(lockPath), "an abandoned lock must not outlive the opening of the store");
    store.set(std::optional(QUuid::createUuid()), PreferenceKeys::selectedBoardId());
    QVERIFY(store.get(PreferenceKeys::selectedBoardId()).has_value());
}

void PreferencesTest::liveLockIsKept()
{
    QLockFile held(settingsPath() + QStringLiteral(".lock"));
    QVERIFY(held.tryLock(0));
    {
        LocalStore store(settingsPath());
        Q_UNUSED(store)
        QVERIFY(QFileInfo::exists(settingsPath() + QStringLiteral(".lock")));
    }
    held.unlock();
}

QTEST_GUILESS_MAIN(PreferencesTest)
#include "PreferencesTest.moc"
