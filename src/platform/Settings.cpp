#include "Settings.h"

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>
#include <QtEndian>

#include <cstring>

// Layout in the INI file: a key path is a QSettings group ("SOFTWARE/Morvane/Quillon"), a
// value is an entry in that group. Strings, integers and bools are stored as text, binary
// values as QByteArray ("@ByteArray(...)"), so text and binary never read as each other.
//
// Like the registry the program was designed around, key paths and value names are matched
// without regard to case, and a value may share its name with a sub-key. QSettings keeps
// one flat namespace, so a value name is escaped ('/', '\' and '%') before it becomes an
// entry, and deleting a value keeps a sub-key of the same name.

namespace {

QString NormaliseKey(const QString& key)
{
    QString k = key;
    k.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = k.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.join(QLatin1Char('/'));
}

// The empty name (a key's default value) gets a form no escaped name can take.
QString EscapeName(const QString& name)
{
    if (name.isEmpty()) return QStringLiteral("%00");
    QString n = name;
    n.replace(QLatin1Char('%'), QStringLiteral("%25"));
    n.replace(QLatin1Char('/'), QStringLiteral("%2F"));
    n.replace(QLatin1Char('\\'), QStringLiteral("%5C"));
    return n;
}

QString UnescapeName(const QString& entry)
{
    if (entry == QStringLiteral("%00")) return QString();
    QString n = entry;
    n.replace(QStringLiteral("%2F"), QStringLiteral("/"), Qt::CaseInsensitive);
    n.replace(QStringLiteral("%5C"), QStringLiteral("\\"), Qt::CaseInsensitive);
    n.replace(QStringLiteral("%25"), QStringLiteral("%"));
    return n;
}

QString Join(const QString& group, const QString& entry)
{
    return group.isEmpty() ? entry : group + QLatin1Char('/') + entry;
}

QStringList ChildGroups(QSettings& s, const QString& group)
{
    s.beginGroup(group);
    QStringList groups = s.childGroups();
    s.endGroup();
    return groups;
}

QStringList ChildKeys(QSettings& s, const QString& group)
{
    s.beginGroup(group);
    QStringList keys = s.childKeys();
    s.endGroup();
    return keys;
}

QString FindNoCase(const QStringList& list, const QString& wanted)
{
    if (list.contains(wanted)) return wanted;
    for (const QString& item : list)
        if (item.compare(wanted, Qt::CaseInsensitive) == 0) return item;
    return QString();
}

// The group as already spelled in the file, segment by segment; segments that do not
// exist yet keep the caller's spelling.
QString ResolveGroup(QSettings& s, const QString& key)
{
    QString group;
    const QStringList parts = NormaliseKey(key).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    bool exists = true;
    for (const QString& part : parts) {
        QString found;
        if (exists) {
            found = FindNoCase(ChildGroups(s, group), part);
            exists = !found.isEmpty();
        }
        group = Join(group, exists ? found : part);
    }
    return group;
}

// Full entry path of a value, or empty when the value does not exist.
QString FindEntry(QSettings& s, const QString& key, const QString& name)
{
    const QString group = ResolveGroup(s, key);
    const QString entry = FindNoCase(ChildKeys(s, group), EscapeName(name));
    return entry.isEmpty() ? QString() : Join(group, entry);
}

// Text form of a non-binary value, or a null string for a binary one.
QString TextOf(const QVariant& v)
{
    if (v.typeId() == QMetaType::QByteArray) return QString();
    if (v.typeId() == QMetaType::QStringList) // an unquoted list typed into the file by hand
        return v.toStringList().join(QLatin1Char(','));
    QString text = v.toString();
    if (text.isNull()) text = QLatin1String("");
    return text;
}

bool ParseBoolWord(const QString& text, bool& result)
{
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        result = true;
        return true;
    }
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        result = false;
        return true;
    }
    return false;
}

} // namespace

TSettingsStore::TSettingsStore() = default;
TSettingsStore::~TSettingsStore() = default;

TSettingsStore& TSettingsStore::Instance()
{
    static TSettingsStore store;
    return store;
}

void TSettingsStore::Open(const QString& fileName)
{
    Flush();
    FSettings = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
    FInMemory = false;
    FReadOnlyFile.clear();
}

void TSettingsStore::OpenInMemory()
{
    // Never synced, and behind a file nobody can make (not even root: the folder would have
    // to be under /dev/null), so the values live only in QSettings' own cache and the
    // write QSettings attempts when it is destroyed fails quietly.
    Flush();
    FSettings = std::make_unique<QSettings>(QStringLiteral("/dev/null/quillon-in-memory/settings.ini"),
                                            QSettings::IniFormat);
    FSettings->clear();
    FInMemory = true;
    FReadOnlyFile.clear();
}

void TSettingsStore::OpenReadOnly(const QString& fileName)
{
    OpenInMemory();
    // Read and dropped unchanged, so QSettings has nothing to write back.
    const QSettings file(fileName, QSettings::IniFormat);
    for (const QString& entry : file.allKeys())
        FSettings->setValue(entry, file.value(entry));
    FReadOnlyFile = fileName;
}

QString TSettingsStore::FileName() const
{
    if (!FReadOnlyFile.isEmpty()) return FReadOnlyFile;
    return FSettings ? FSettings->fileName() : DefaultFileName();
}

QString TSettingsStore::DefaultFileName()
{
    const QString env = qEnvironmentVariable("QUILLON_SETTINGS");
    if (!env.isEmpty()) return env;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Morvane/Quillon.ini");
}

// Opens the default file on first use when nobody chose one.
static QSettings& Store(std::unique_ptr<QSettings>& settings)
{
    if (!settings)
        settings =
            std::make_unique<QSettings>(TSettingsStore::DefaultFileName(), QSettings::IniFormat);
    return *settings;
}

QString TSettingsStore::ReadString(const QString& key, const QString& name,
                                   const QString& def) const
{
    auto& self = const_cast<TSettingsStore&>(*this);
    QSettings& s = Store(self.FSettings);
    const QString entry = FindEntry(s, key, name);
    if (entry.isEmpty()) return def;
    const QString text = TextOf(s.value(entry));
    return text.isNull() ? def : text;
}

int TSettingsStore::ReadInteger(const QString& key, const QString& name, int def) const
{
    const QString text = ReadString(key, name, QString()).trimmed();
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (ok) return value;
    bool b = false;
    if (ParseBoolWord(text, b)) // a bool is an integer 0 or 1
        return b ? 1 : 0;
    return def;
}

bool TSettingsStore::ReadBool(const QString& key, const QString& name, bool def) const
{
    const QString text = ReadString(key, name, QString()).trimmed();
    bool b = false;
    if (ParseBoolWord(text, b)) return b;
    bool ok = false;
    const long long value = text.toLongLong(&ok, 10);
    return ok ? value != 0 : def;
}

QByteArray TSettingsStore::ReadBinary(const QString& key, const QString& name) const
{
    auto& self = const_cast<TSettingsStore&>(*this);
    QSettings& s = Store(self.FSettings);
    const QString entry = FindEntry(s, key, name);
    if (entry.isEmpty()) return QByteArray();
    const QVariant v = s.value(entry);
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
}

double TSettingsStore::ReadDouble(const QString& key, const QString& name, double def) const
{
    auto& self = const_cast<TSettingsStore&>(*this);
    QSettings& s = Store(self.FSettings);
    const QString entry = FindEntry(s, key, name);
    if (entry.isEmpty()) return def;
    const QVariant v = s.value(entry);
    if (v.typeId() == QMetaType::QByteArray) {
        const QByteArray data = v.toByteArray();
        if (data.size() != 8) return def;
        const quint64 bits = qFromLittleEndian<quint64>(data.constData());
        double value = 0.0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // A number typed into the file by hand.
    bool ok = false;
    const double value = TextOf(v).trimmed().toDouble(&ok);
    return ok ? value : def;
}

void TSettingsStore::WriteString(const QString& key, const QString& name, const QString& value)
{
    QSettings& s = Store(FSettings);
    const QString existing = FindEntry(s, key, name);
    s.setValue(existing.isEmpty() ? Join(ResolveGroup(s, key), EscapeName(name)) : existing, value);
    if (!FInMemory) s.sync();
}

void TSettingsStore::WriteInteger(const QString& key, const QString& name, int value)
{
    WriteString(key, name, QString::number(value));
}

void TSettingsStore::WriteBool(const QString& key, const QString& name, bool value)
{
    WriteString(key, name, value ? QStringLiteral("true") : QStringLiteral("false"));
}

void TSettingsStore::WriteBinary(const QString& key, const QString& name, const QByteArray& value)
{
    QSettings& s = Store(FSettings);
    const QString existing = FindEntry(s, key, name);
    s.setValue(existing.isEmpty() ? Join(ResolveGroup(s, key), EscapeName(name)) : existing, value);
    if (!FInMemory) s.sync();
}

void TSettingsStore::WriteDouble(const QString& key, const QString& name, double value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray data(8, '\0');
    qToLittleEndian<quint64>(bits, data.data());
    WriteBinary(key, name, data);
}

bool TSettingsStore::ValueExists(const QString& key, const QString& name) const
{
    auto& self = const_cast<TSettingsStore&>(*this);
    return !FindEntry(Store(self.FSettings), key, name).isEmpty();
}

void TSettingsStore::DeleteValue(const QString& key, const QString& name)
{
    QSettings& s = Store(FSettings);
    const QString entry = FindEntry(s, key, name);
    if (entry.isEmpty()) return;
    // QSettings::remove also takes everything below the entry's path: keep a sub-key that
    // happens to share the value's name.
    s.beginGroup(entry);
    const QStringList below = s.allKeys();
    QList<QVariant> kept;
    for (const QString& k : below)
        kept.append(s.value(k));
    s.endGroup();
    s.remove(entry);
    for (qsizetype i = 0; i < below.size(); ++i)
        s.setValue(Join(entry, below[i]), kept[i]);
    if (!FInMemory) s.sync();
}

void TSettingsStore::DeleteKey(const QString& key)
{
    QSettings& s = Store(FSettings);
    const QString group = ResolveGroup(s, key);
    if (group.isEmpty()) // never the whole store
        return;
    // QSettings::remove also takes a value of the same name in the parent key: keep it.
    const bool sameNamedValue = s.contains(group);
    const QVariant kept = sameNamedValue ? s.value(group) : QVariant();
    s.remove(group);
    if (sameNamedValue) s.setValue(group, kept);
    if (!FInMemory) s.sync();
}

QStringList TSettingsStore::ValueNames(const QString& key) const
{
    auto& self = const_cast<TSettingsStore&>(*this);
    QSettings& s = Store(self.FSettings);
    QStringList names;
    for (const QString& entry : ChildKeys(s, ResolveGroup(s, key)))
        names.append(UnescapeName(entry));
    return names;
}

QStringList TSettingsStore::KeyNames(const QString& key) const
{
    auto& self = const_cast<TSettingsStore&>(*this);
    QSettings& s = Store(self.FSettings);
    return ChildGroups(s, ResolveGroup(s, key));
}

void TSettingsStore::Flush()
{
    if (FSettings && !FInMemory) FSettings->sync();
}
