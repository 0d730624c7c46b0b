#pragma once

// The recent-file list behind "&Reopen Log File": most recent first, at most ten files,
// compared without regard to case, saved as values "1" (top) .. "n" of one settings key.

#include <QString>
#include <QStringList>

class TRecentFiles {
public:
    static constexpr int MaxFiles = 10;

    explicit TRecentFiles(QString settingsKey) : FKey(std::move(settingsKey)) {}

    // A file that does not exist is ignored; one already listed moves to the top.
    void Add(const QString& fileName);
    const QStringList& Files() const { return FFiles; }
    void Clear() { FFiles.clear(); }

    void Load();        // skips files that no longer exist
    void Save() const;  // rewrites the key

private:
    QString FKey;
    QStringList FFiles;
};
