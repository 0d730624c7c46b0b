#pragma once

// What the live-capture window needs of the program around it. The main window fills this
// in; tests fill it with their own link, folders and recorders.

#include <QColor>
#include <QRect>
#include <QString>

#include <functional>

class QWidget;
class TEcuInterface;
class TSensorHub;

struct TDashBoardHost {
    TEcuInterface* Link = nullptr;
    TSensorHub* Sensors = nullptr;  // may be null: no external channels
    std::function<QString()> LoggingDirectory;
    std::function<void(const QString&)> SetLoggingDirectory;
    std::function<QColor()> GraphBackgroundColour;
    std::function<bool()> DemoMode;
    std::function<void(QWidget*)> RegisterWindow;
    std::function<void(QWidget*)> UnregisterWindow;
    std::function<void(const QString&)> OpenLogFile;    // shows a log in the log viewer
    std::function<void(const QString&)> AddRecentFile;  // the recent-logs list
    std::function<QRect()> ToolWindowArea;              // where a maximised tool window goes
};
