#include "EcuLog.h"

#include "Clock.h"

TEcuLog::TEcuLog()
{
    FMask.set(5);
    FMask.set(7);
    MarkerTexts = {QStringLiteral("1. Immobiliser"),
                   QStringLiteral("2.0 Turbo Confirm 'Yes'"),
                   QStringLiteral("Input Teaching Code"),
                   QStringLiteral("Exec Key Reg. Mode ?"),
                   QStringLiteral("Input Code, Registering"),
                   QStringLiteral("Reg. Another Key Yes"),
                   QStringLiteral("Reg Another Key No"),
                   QString(),
                   QString(),
                   QString()};
}

QColor TEcuLog::LevelColour(int level)
{
    switch (level) {
    case 0:
    case 1:
        return QColor(0x80, 0x80, 0x80);
    case 2:
        return QColor(0x00, 0x80, 0x00);
    case 3:
        return QColor(0x00, 0x00, 0xFF);
    case 4:
        return QColor(0xC0, 0xC0, 0xC0);
    case 5:
        return QColor(0x80, 0x00, 0x80);
    case 6:
        return QColor(0xFF, 0x00, 0xFF);
    case 7:
        return QColor(0xFF, 0x00, 0x00);
    default:
        return QColor(0, 0, 0);
    }
}

QString TEcuLog::LevelName(int level)
{
    static const char* const names[] = {"Raw Requests",         "Raw Responses",
                                        "Interpreted Requests", "Interpreted Responses",
                                        "Raw Sent Data",        "Unknown Data",
                                        "Verbose Information",  "Warnings",
                                        "Ludicrous Amounts"};
    return level >= 0 && level < 9 ? QString::fromLatin1(names[level]) : QString();
}

void TEcuLog::SetLogInformation(bool on)
{
    if (on == FLogInformation)
        return;
    FLogInformation = on;
    emit Changed();
}

bool TEcuLog::LevelShown(int level) const
{
    return level >= 0 && level < LevelCount && FMask.test(level);
}

void TEcuLog::SetLevelShown(int level, bool shown)
{
    if (level < 0 || level >= LevelCount)
        return;
    FMask.set(level, shown);
    emit Changed();
}

void TEcuLog::Log(const QString& text, int level)
{
    if (!FLogInformation || level < 0 || level >= LevelCount)
        return;
    if (level != MarkerLevel && !FMask.test(level))
        return;
    if (FEntries.size() >= MaxEntries)
        FEntries.pop_front();
    FEntries.push_back({GetTickCount(), text, level});
    emit EntryAdded(FEntries.back());
}

void TEcuLog::Clear()
{
    FEntries.clear();
    emit Cleared();
}

void TEcuLog::SetFields(const QString& baud, const QString& parity, const QString& port)
{
    BaudRateText = baud;
    ParityText = parity;
    ComPortText = port;
    emit Changed();
}
