#include "RecentFiles.h"

#include "Settings.h"

#include <QFileInfo>

#include <algorithm>

void TRecentFiles::Add(const QString& fileName)
{
    if (!QFileInfo::exists(fileName))
        return;
    for (int i = 0; i < FFiles.size(); ++i) {
        if (FFiles[i].compare(fileName, Qt::CaseInsensitive) == 0) {
            FFiles.move(i, 0);
            return;
        }
    }
    FFiles.prepend(fileName);
    while (FFiles.size() > MaxFiles)
        FFiles.removeLast();
}

void TRecentFiles::Load()
{
    auto& store = TSettingsStore::Instance();
    struct Entry {
        int Number;
        QString Name;
    };
    std::vector<Entry> entries;
    for (const QString& name : store.ValueNames(FKey)) {
        bool ok = false;
        const int n = name.toInt(&ok);
        if (ok)
            entries.push_back({n, name});
    }
    // Highest number first: each is put on top, so "1" ends up first again.
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.Number > b.Number; });
    FFiles.clear();
    for (const Entry& e : entries)
        Add(store.ReadString(FKey, e.Name));
}

void TRecentFiles::Save() const
{
    auto& store = TSettingsStore::Instance();
    store.DeleteKey(FKey);
    for (int i = 0; i < FFiles.size(); ++i)
        store.WriteString(FKey, QString::number(i + 1), FFiles[i]);
}
