#pragma once

// Sounds: named system sounds ("DefaultBeep", "SystemAsterisk", ...), sound files played
// by name, and the plain beep. Everything plays asynchronously: the calls return at once.
// Tests install a TRecordingSounds and check what was played.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

class TSounds {
public:
    virtual ~TSounds() = default;
    virtual void PlaySystemSound(const QString& name) = 0;
    // Starts playing a sound file (WAV). When the file cannot be played the default beep
    // sounds instead; false when that was known at once.
    virtual bool PlayFile(const QString& fileName) = 0;
    virtual void Beep() = 0;
};

// The process-wide sounds; the Qt implementation unless something else was installed.
TSounds& Sounds();
// Installs new sounds (nullptr = back to the Qt ones) and returns the previous ones.
std::unique_ptr<TSounds> SetSounds(std::unique_ptr<TSounds> sounds);

class QSoundEffect;

class TQtSounds : public TSounds {
public:
    TQtSounds();
    ~TQtSounds() override;
    // The desktop has no portable named sounds: every name gives the system beep.
    void PlaySystemSound(const QString& name) override;
    bool PlayFile(const QString& fileName) override;
    void Beep() override;

private:
    QSoundEffect* Effect(const QString& fileName);
    // Parent of the cached sound effects; a child of the application object, so the
    // effects go with it even when these sounds outlive it (a process-wide static).
    QPointer<QObject> FOwner;
    std::map<QString, QSoundEffect*> FEffects;
};

enum class TSoundKind { System, File, Beep };

struct TSoundCall {
    TSoundKind Kind;
    QString Name;  // system sound name or file name; empty for a beep
};

// Test double. A file listed in UnplayableFiles is recorded, followed by the beep that
// replaces it.
class TRecordingSounds : public TSounds {
public:
    void PlaySystemSound(const QString& name) override;
    bool PlayFile(const QString& fileName) override;
    void Beep() override;

    std::vector<TSoundCall> Calls;
    QStringList UnplayableFiles;
    int Count(TSoundKind kind) const;
};

// Installs a TRecordingSounds for the lifetime of the guard and restores the previous
// sounds afterwards.
class TScopedRecordingSounds {
public:
    TScopedRecordingSounds();
    ~TScopedRecordingSounds();
    TScopedRecordingSounds(const TScopedRecordingSounds&) = delete;
    TScopedRecordingSounds& operator=(const TScopedRecordingSounds&) = delete;

    TRecordingSounds& operator*() const { return *FSounds; }
    TRecordingSounds* operator->() const { return FSounds; }

private:
    TRecordingSounds* FSounds;
    std::unique_ptr<TSounds> FPrevious;
};
