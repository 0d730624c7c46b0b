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

uint32_t TEcuLog::LevelColour(int level)
{
    switch (level) {
    case 0:
    case 1:
        return 0x808080;
    case 2:
        return 0x008000;
    case 3:
        return 0xFF0000;  // blue
    case 4:
        return 0xC0C0C0;
    case 5:
        return 0x800080;
    case 6:
        return 0xFF00FF;
    case 7:
        return 0x0000FF;  // red
    default:
        return 0;
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
