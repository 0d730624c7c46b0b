#include "Sounds.h"

#include <QApplication>
#include <QFileInfo>
#include <QObject>
#include <QSoundEffect>
#include <QUrl>

namespace {

std::unique_ptr<TSounds>& SoundsStore()
{
    static std::unique_ptr<TSounds> sounds;
    return sounds;
}

} // namespace

TSounds& Sounds()
{
    auto& sounds = SoundsStore();
    if (!sounds)
        sounds = std::make_unique<TQtSounds>();
    return *sounds;
}

std::unique_ptr<TSounds> SetSounds(std::unique_ptr<TSounds> sounds)
{
    auto previous = std::move(SoundsStore());
    SoundsStore() = std::move(sounds);
    return previous;
}

// ---------------------------------------------------------------- Qt sounds

TQtSounds::TQtSounds() : FOwner(new QObject(QCoreApplication::instance())) {}

TQtSounds::~TQtSounds() { delete FOwner.data(); }

void TQtSounds::PlaySystemSound(const QString&) { Beep(); }

void TQtSounds::Beep() { QApplication::beep(); }

QSoundEffect* TQtSounds::Effect(const QString& fileName)
{
    // One effect per file, kept so that a sound keeps playing after the call returns and
    // a lamp that blinks does not reload its file every time.
    const QString key = QFileInfo(fileName).absoluteFilePath();
    if (auto it = FEffects.find(key); it != FEffects.end())
        return it->second;
    auto* effect = new QSoundEffect(FOwner);
    FEffects[key] = effect;
    QObject::connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
        if (effect->status() == QSoundEffect::Error)
            QApplication::beep();
    });
    effect->setSource(QUrl::fromLocalFile(key));
    return effect;
}

bool TQtSounds::PlayFile(const QString& fileName)
{
    if (!FOwner || fileName.isEmpty() || !QFileInfo(fileName).isFile()) {
        Beep();
        return false;
    }
    QSoundEffect* effect = Effect(fileName);
    if (effect->status() == QSoundEffect::Error) {
        Beep();
        return false;
    }
    // Plays as soon as loading finishes when it has not yet.
    effect->play();
    return true;
}

// ---------------------------------------------------------------- recording double

void TRecordingSounds::PlaySystemSound(const QString& name)
{
    Calls.push_back({TSoundKind::System, name});
}

bool TRecordingSounds::PlayFile(const QString& fileName)
{
    Calls.push_back({TSoundKind::File, fileName});
    if (UnplayableFiles.contains(fileName)) {
        Beep();
        return false;
    }
    return true;
}

void TRecordingSounds::Beep() { Calls.push_back({TSoundKind::Beep, QString()}); }

int TRecordingSounds::Count(TSoundKind kind) const
{
    int n = 0;
    for (const TSoundCall& call : Calls)
        n += call.Kind == kind;
    return n;
}

TScopedRecordingSounds::TScopedRecordingSounds()
{
    auto sounds = std::make_unique<TRecordingSounds>();
    FSounds = sounds.get();
    FPrevious = SetSounds(std::move(sounds));
}

TScopedRecordingSounds::~TScopedRecordingSounds() { SetSounds(std::move(FPrevious)); }
