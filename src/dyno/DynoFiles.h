#pragma once

// Road-dyno files: the ".DDF" data file (the run's record, 400 bytes of header and 16
// bytes per sample, little-endian) and the CSV export of a run's results.

#include "IgaCalcs.h"

#include <QByteArray>
#include <QString>

constexpr int RunHeaderSize = 400;
constexpr int RunSampleSize = 16;

// The file image of a run.
QByteArray RunFileBytes(const TRunData& run);
// Reads a file image into run. A header whose SampleCount lies outside 0..20000, or bytes
// shorter than the header says, are refused with a message and leave run untouched.
// Returns the error message, empty on success.
QString ParseRunFile(const QByteArray& bytes, TRunData& run);

// Both return the error message (empty on success). Loading reads into a scratch run
// first, so a refused file leaves run as it was.
QString LoadRunFile(const QString& fileName, TRunData& run);
QString SaveRunFile(const QString& fileName, const TRunData& run);

// The export text (Windows-1252, CR LF), from the run and results calculated without
// correction.
QByteArray ExportCsvBytes(const TRunData& run, const TCalcData& calc);
QString SaveExportFile(const QString& fileName, const TRunData& run, const TCalcData& calc);
// The comment as the export writes it: every CR, LF and comma a blank.
QString ExportComment(const QString& comment);
// The comment as a comparison check box shows it: CR LF pairs become ", ".
QString CompareCaption(const QString& fileName, const QString& comment);
// Last path component without its extension; "<Current Unsaved Dyno Data>" when empty.
QString RunTitle(const QString& fileName);
// The current file name without its extension followed by "-Export.csv".
QString ExportFileName(const QString& fileName);
