#pragma once

// Windows-1252: the encoding of every text file the program reads or writes.
#include <QByteArray>
#include <QString>

QByteArray ToWin1252(const QString& text);      // unmappable characters become '?'
QString FromWin1252(const QByteArray& bytes);
