// Logs reach a viewer from the main window: "&Open Log File...", the recent list, the
// live-data window's "&Open Last Log File..." and a file dropped on the bar.
#include "DashBoardForm.h"
#include "Dialogs.h"
#include "LogViewForm.h"
#include "MainForm.h"
#include "Paths.h"
#include "Settings.h"
#include "Sounds.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class LogViewerMain : public ::testing::Test {
  protected:
    void SetUp() override
    {
        TSettingsStore::Instance().Open(Dir.filePath("settings.ini"));
        TPaths::SetDataDir(Dir.path());
    }
    void TearDown() override { TPaths::SetDataDir(QString()); }
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = Dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    static QList<TfrmLogViewer*> Viewers()
    {
        QList<TfrmLogViewer*> out;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* v = qobject_cast<TfrmLogViewer*>(w); v && v->isVisible()) out << v;
        return out;
    }
    static QStringList WindowItems(const TfrmMain& w)
    {
        QStringList out;
        for (QAction* a : w.menuWindow->actions())
            out << a->text();
        return out;
    }

    QTemporaryDir Dir;
    TScopedRecordingDialogs Dialogs;
    TScopedRecordingSounds Sounds;
};

const QByteArray Log = "Time,Engine Speed (rpm),\r\n       0, 850, \r\n     100, 900, \r\n";

} // namespace

TEST_F(LogViewerMain, OneViewerPerFileListedInTheWindowMenuAndFreedWhenClosed)
{
    TfrmMain w;
    const QString a = Write("a.csv", Log), b = Write("b.csv", Log);
    Dialogs->FileAnswers.push_back(a);
    w.menuOpenLog->trigger();
    ASSERT_EQ(Viewers().size(), 1);
    EXPECT_EQ(w.RecentFiles().value(0), a);
    // The recent list opens a second viewer on the same file.
    w.menuReopen->actions().at(0)->trigger();
    EXPECT_EQ(Viewers().size(), 2);
    w.OpenLogFile(b);
    ASSERT_EQ(Viewers().size(), 3);
    EXPECT_EQ(WindowItems(w),
              (QStringList{"Log Viewer - " + a, "Log Viewer - " + a, "Log Viewer - " + b}));

    QPointer<TfrmLogViewer> first = Viewers().value(0);
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(WindowItems(w).size(), 2);

    // A file that is not a log: its message, and no viewer.
    w.OpenLogFile(Write("x.csv", "Date,A,\r\n"));
    EXPECT_EQ(Viewers().size(), 2);
    EXPECT_EQ(Dialogs->Texts(TDialogKind::Error),
              QStringList{"The file is not in a recognised format and cannot be viewed."});
    EXPECT_EQ(WindowItems(w).size(), 2);

    // A log dropped on the bar.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(b), QUrl::fromLocalFile(Write("notes.txt", "x"))});
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject&>(w).event(&drop);
    EXPECT_EQ(Viewers().size(), 3);
    EXPECT_EQ(w.RecentFiles().value(0), b);

    // Ending the program closes them.
    w.Shutdown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Viewers().isEmpty());
    EXPECT_TRUE(WindowItems(w).isEmpty());
}

TEST_F(LogViewerMain, TheLiveDataWindowsLastLogOpensInAViewer)
{
    TfrmMain w;
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Connected(); }, 2000));
    w.menuToolWindows[twLiveData]->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.DashBoard() != nullptr; }, 3000));
    TfrmDashBoard* dash = w.DashBoard();
    dash->SetCaptureInterval(20);
    dash->ParamRows[epEngspd].Check->setChecked(true);
    dash->menuLogData->trigger();
    ASSERT_TRUE(dash->Logging);
    QTest::qWait(600);
    dash->menuLogData->trigger();
    ASSERT_FALSE(dash->LastLogName.isEmpty());
    dash->menuOpenLastLog->trigger();
    ASSERT_EQ(Viewers().size(), 1);
    TfrmLogViewer* v = Viewers().front();
    EXPECT_EQ(v->windowTitle(), "Log Viewer - " + dash->LastLogName);
    EXPECT_GT(v->Data.RowCount(), 2);
    EXPECT_TRUE(v->Data.ParamNames.join(",").contains("rpm"));
    // Its comments file was written beside it.
    EXPECT_TRUE(v->pgcPages->isTabVisible(v->pgcPages->indexOf(v->tabComments)));
    EXPECT_TRUE(v->memoComments->toPlainText().startsWith("Log From"));
    w.Shutdown();
}
