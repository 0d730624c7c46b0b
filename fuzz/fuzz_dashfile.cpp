// The dash screen files, fed any bytes: the grammar, then the screen taking the tree (the
// classes and their properties), painting it, and writing it back. What loads must write
// out as a file that loads again to the same screen.
#include "DashFile.h"
#include "DashScreen.h"
#include "FuzzCommon.h"

#include <QGuiApplication>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInit<QGuiApplication>();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TDfmObject tree;
    try {
        tree = ParseScreenFile(bytes);
    } catch (const EDashFileError&) {
        return 0;
    }
    // The grammar's own round trip: what it writes it reads back, and from then on as the
    // same tree. (The first pass may lose a property named "On..." that sat on its
    // object's line: written on a line of its own, the event-handler filter takes it.)
    try {
        const TDfmObject once = ParseScreenFile(WriteScreenFile(tree));
        if (!(ParseScreenFile(WriteScreenFile(once)) == once))
            __builtin_trap();
    } catch (const EDashFileError&) {
        __builtin_trap();
    }

    TDashScreen screen;
    screen.SetClock([] { return FuzzNow(); });
    // Picture names resolve against a folder that does not exist, so a run reads no file.
    screen.SetBaseDirectory(QStringLiteral("/nonexistent/quillon-fuzz"));
    try {
        screen.Load(tree);
    } catch (const EDashFileError&) {
        return 0;
    }
    // Painting is bounded by the screen's largest side; the big ones only slow the run.
    const QSize area = screen.Size();
    if (qint64(area.width()) * area.height() <= 1024 * 1024)
        screen.PaintAll();

    const TDfmObject saved = screen.Save();
    TDashScreen again;
    again.SetBaseDirectory(QStringLiteral("/nonexistent/quillon-fuzz"));
    try {
        again.Load(ParseScreenFile(WriteScreenFile(saved)));
    } catch (const EDashFileError&) {
        __builtin_trap(); // a screen we wrote that we cannot read
    }
    if (!(again.Save() == saved))
        __builtin_trap();
    return 0;
}
