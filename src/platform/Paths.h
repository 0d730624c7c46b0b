#pragma once

// Folders that live "beside the program": --data-dir DIR, else the program's folder when
// writable and not installed, else the user's data folder. None of them need exist yet:
// whoever writes there first makes the folder with its parents.
#include <QString>

class TPaths {
public:
    static void SetDataDir(const QString& dir);  // from --data-dir; empty = automatic
    static QString DataDir();
    static QString LogsDir();           // DataDir()/Logs
    static QString DashScreensDir();    // DataDir()/InCarDashScreens
};
