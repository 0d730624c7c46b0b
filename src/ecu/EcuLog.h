#pragma once

// What the link's debug window shows: the log lines with their levels and colours, the
// level mask, the "Log Information" switch, the port fields and the marker texts.
// The window is a view of this model; the link writes to it.

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <bitset>
#include <cstdint>
#include <deque>

struct TEcuLogEntry {
    uint32_t Tick = 0;
    QString Text;
    int Level = 0;
};

class TEcuLog : public QObject {
    Q_OBJECT
public:
    static constexpr int LevelCount = 16;
    static constexpr int MarkerLevel = 9;
    static constexpr size_t MaxEntries = 20000;  // oldest lines go first

    TEcuLog();

    // Colour of a level's lines as $00BBGGRR (the link links no Qt Gui); the names of the
    // debug-menu items for levels 0..8.
    static uint32_t LevelColour(int level);
    static QString LevelName(int level);

    bool LogInformation() const { return FLogInformation; }
    void SetLogInformation(bool on);

    std::bitset<LevelCount> Mask() const { return FMask; }
    bool LevelShown(int level) const;
    void SetLevelShown(int level, bool shown);
    void ToggleLevel(int level) { SetLevelShown(level, !LevelShown(level)); }

    // Appends the message when logging is on and its level is shown (level 9 always).
    void Log(const QString& text, int level);
    void Clear();
    const std::deque<TEcuLogEntry>& Entries() const { return FEntries; }

    QString BaudRateText, ParityText, ComPortText;
    void SetFields(const QString& baud, const QString& parity, const QString& port);
    std::array<QString, 10> MarkerTexts;
    void LogMarker(int index) { Log(MarkerTexts.at(index), MarkerLevel); }

signals:
    void EntryAdded(const TEcuLogEntry& entry);
    void Cleared();
    void Changed();  // fields, mask or the logging switch

private:
    bool FLogInformation = false;
    std::bitset<LevelCount> FMask;
    std::deque<TEcuLogEntry> FEntries;
};
