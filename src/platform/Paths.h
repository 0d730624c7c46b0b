#pragma once

// Folders that live "beside the program": --data-dir DIR, else the program's folder when
// writable, else the user's data folder.
#include <QString>

class TPaths {
public:
    static void SetDataDir(const QString& dir);  // from --data-dir; empty = automatic
    static QString DataDir();
    static QString LogsDir();           // DataDir()/Logs
    static QString DashScreensDir();    // DataDir()/InCarDashScreens
};
