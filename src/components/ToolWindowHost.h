#pragma once

// What a tool window needs of the program around it. The main window fills one in for
// every tool window it creates; tests fill it with their own link, folders and recorders.
//
// The link is handed out through a getter and must be asked for each time it is used:
// the main window replaces it when the user changes the port or a port is lost, and a
// window that lives for the whole program would otherwise hold a freed link.

#include "Dialogs.h"
#include "Sounds.h"

#include <QColor>
#include <QRect>
#include <QString>

#include <functional>

class QWidget;
class TEcuInterface;
class TSensorHub;

struct TToolWindowHost {
    std::function<TEcuInterface*()> Link;
    std::function<TSensorHub*()> Sensors;  // may be empty or answer null: no external channels
    std::function<bool()> Closing;         // the program is ending
    std::function<bool()> DemoMode;
    std::function<bool()> Connected;
    std::function<QString()> EcuName;      // "Subaru Ecu" when not found in the tables

    // Null means the program-wide ones (Dialogs(), Sounds()).
    TDialogs* DialogsImpl = nullptr;
    TSounds* SoundsImpl = nullptr;

    std::function<QString()> LoggingDirectory;
    std::function<void(const QString&)> SetLoggingDirectory;
    std::function<QString()> DataDirectory;        // logs, dash screens and the like below it
    std::function<QString()> DashScreensDirectory;

    std::function<QColor()> GraphBackgroundColour;
    std::function<QColor()> LogLineColour;

    std::function<void(QWidget*)> RegisterWindow;    // the "&Window" menu
    std::function<void(QWidget*)> UnregisterWindow;
    std::function<void(const QString&)> OpenLogFile;    // shows a log in a new log viewer
    std::function<void(const QString&)> AddRecentFile;  // the recent-logs list
    std::function<QRect()> ToolWindowArea;              // where a maximised tool window goes

    // --- the above with their defaults, so that a window need not test every member ---
    TEcuInterface* GetLink() const { return Link ? Link() : nullptr; }
    TSensorHub* GetSensors() const { return Sensors ? Sensors() : nullptr; }
    bool IsClosing() const { return Closing && Closing(); }
    bool IsDemoMode() const { return DemoMode && DemoMode(); }
    bool IsConnected() const { return Connected && Connected(); }
    QString GetEcuName() const { return EcuName ? EcuName() : QString(); }
    TDialogs& GetDialogs() const { return DialogsImpl ? *DialogsImpl : Dialogs(); }
    TSounds& GetSounds() const { return SoundsImpl ? *SoundsImpl : Sounds(); }
    QString GetLoggingDirectory() const { return LoggingDirectory ? LoggingDirectory() : QString(); }
    void PutLoggingDirectory(const QString& dir) const
    {
        if (SetLoggingDirectory)
            SetLoggingDirectory(dir);
    }
    QString GetDataDirectory() const { return DataDirectory ? DataDirectory() : QString(); }
    QString GetDashScreensDirectory() const
    {
        return DashScreensDirectory ? DashScreensDirectory() : QString();
    }
    QColor GetGraphBackgroundColour() const
    {
        return GraphBackgroundColour ? GraphBackgroundColour() : QColor(Qt::black);
    }
    QColor GetLogLineColour() const
    {
        return LogLineColour ? LogLineColour() : QColor(0x00, 0xFF, 0x00);
    }
    void Register(QWidget* window) const
    {
        if (RegisterWindow)
            RegisterWindow(window);
    }
    void Unregister(QWidget* window) const
    {
        if (UnregisterWindow)
            UnregisterWindow(window);
    }
    void OpenLog(const QString& file) const
    {
        if (OpenLogFile)
            OpenLogFile(file);
    }
    void AddRecent(const QString& file) const
    {
        if (AddRecentFile)
            AddRecentFile(file);
    }
    QRect GetToolWindowArea() const { return ToolWindowArea ? ToolWindowArea() : QRect(); }
};
