#pragma once

// The contents and captions of the supported-ECU and trouble-code list windows, built
// from the definition tables. Kept apart from the windows so they can be checked directly.

#include "EcuConstData.h"

#include <QString>
#include <QStringList>

#include <span>
#include <vector>

// Orders texts case-insensitively, with runs of digits compared by value ("2 ..." before
// "10 ..."), so numbered codes and model years read in their natural order.
bool NaturalLess(const QString& a, const QString& b);

// Description of every record that has one, except the unlisted indices; sorted.
QStringList SupportedEcuList(std::span<const TEcuIdent> ids, const std::vector<int>& unlisted);
QStringList SupportedEcuList();
// "<records in the table> Supported ECUs".
QString SupportedEcuCaption(int recordCount = EcuIdCount);

// Every text whose first character is a digit; sorted.
QStringList NonObdCodeList(std::span<const TNonObdCode> codes);
QStringList NonObdCodeList();
QString NonObdCodeCaption(int count);  // count + " Supported Non-OBD Trouble Codes"

// "<code>: <description>" of every code starting with "P", cut at 90 characters; sorted.
QStringList ObdCodeList(std::span<const TObdCode> codes);
QStringList ObdCodeList();
QString ObdCodeCaption(int count);  // count + " Supported OBD Trouble Codes"

constexpr int ObdCodeLineLength = 90;
