#include "Paths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString& ExplicitDir()
{
    static QString dir;
    return dir;
}
} // namespace

void TPaths::SetDataDir(const QString& dir)
{
    ExplicitDir() = dir;
}

QString TPaths::DataDir()
{
    if (!ExplicitDir().isEmpty()) return ExplicitDir();
    // Logs and dash screens sit beside the program when it may write there (an unpacked
    // folder); an installed program uses the user's data folder instead.
    if (QCoreApplication::instance()) {
        const QString appDir = QCoreApplication::applicationDirPath();
        // An installed program (its desktop entry beside it under share/) keeps the user's
        // files in the user's data folder, even where it could write to bin/ (as root).
        const bool installed =
            QFileInfo::exists(appDir + QStringLiteral("/../share/applications/quillon.desktop"));
        if (!installed && QFileInfo(appDir).isWritable()) return appDir;
    }
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString TPaths::LogsDir()
{
    return DataDir() + QStringLiteral("/Logs");
}

QString TPaths::DashScreensDir()
{
    return DataDir() + QStringLiteral("/InCarDashScreens");
}
