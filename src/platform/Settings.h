#pragma once

// The machine-wide settings store: keys such as "SOFTWARE/Morvane/Quillon" holding named
// string, integer, bool and 8-byte binary values, kept in one INI file.
// The file is chosen once at start: --settings FILE, else $QUILLON_SETTINGS, else the
// user's config folder. Tests always point it at a temporary file.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

class TSettingsStore {
public:
    // The process-wide store. Open() replaces the file behind it.
    static TSettingsStore& Instance();
    void Open(const QString& fileName);
    // A store that lives in memory only and is never written anywhere, nor waits on a lock:
    // for feeding the readers values of any kind without a file (the fuzz targets).
    void OpenInMemory();
    // The file's values, read once into memory: writes change only this process's copy, so
    // a program that only reads its settings (quillon-log) leaves the file as it was, byte
    // for byte, whatever its parts write when they end.
    void OpenReadOnly(const QString& fileName);
    QString FileName() const;
    // File from the environment or the user's config folder.
    static QString DefaultFileName();

    // Typed reads: a missing or unreadable value gives the default.
    QString ReadString(const QString& key, const QString& name, const QString& def = QString()) const;
    int ReadInteger(const QString& key, const QString& name, int def = 0) const;
    bool ReadBool(const QString& key, const QString& name, bool def = false) const;
    QByteArray ReadBinary(const QString& key, const QString& name) const;  // empty when missing
    double ReadDouble(const QString& key, const QString& name, double def = 0.0) const;  // 8-byte binary

    void WriteString(const QString& key, const QString& name, const QString& value);
    void WriteInteger(const QString& key, const QString& name, int value);
    void WriteBool(const QString& key, const QString& name, bool value);
    void WriteBinary(const QString& key, const QString& name, const QByteArray& value);
    void WriteDouble(const QString& key, const QString& name, double value);  // 8-byte binary

    bool ValueExists(const QString& key, const QString& name) const;
    void DeleteValue(const QString& key, const QString& name);
    void DeleteKey(const QString& key);  // the key, its values and its sub-keys
    QStringList ValueNames(const QString& key) const;
    QStringList KeyNames(const QString& key) const;
    void Flush();

    TSettingsStore();
    ~TSettingsStore();

private:
    std::unique_ptr<QSettings> FSettings;
    bool FInMemory = false;
    QString FReadOnlyFile;  // the file behind a read-only store
};
