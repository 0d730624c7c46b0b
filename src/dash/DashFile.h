#pragma once

// The screen file: a text description of one object tree (the screen and its elements),
// one property per line, in the format of the form files the dash was first designed
// with. This unit only turns text into a tree and back; what the properties mean is the
// business of the screen and its elements.

#include "Errors.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// A screen file that cannot be read; the message names the line.
class EDashFileError : public Exception {
  public:
    using Exception::Exception;
};

struct TDfmProp;

struct TDfmValue {
    enum TKind { vkInt, vkFloat, vkString, vkIdent, vkSet, vkBinary, vkList, vkCollection };
    TKind Kind = vkInt;
    int64_t Int = 0;
    double Float = 0;
    QString Text;      // string or identifier
    QStringList Items; // set members
    QByteArray Bytes;  // binary data
    std::vector<TDfmValue> List;
    std::vector<std::vector<TDfmProp>> Collection;
    int Line = 0;

    static TDfmValue FromInt(int64_t v);
    static TDfmValue FromFloat(double v);
    static TDfmValue FromString(const QString& s);
    static TDfmValue FromIdent(const QString& s);
    static TDfmValue FromBool(bool b); // below: it needs TDfmProp complete
    static TDfmValue FromSet(const QStringList& items);
    bool operator==(const TDfmValue& o) const;
};

struct TDfmProp {
    QString Name; // may be dotted: Font.Height
    TDfmValue Value;
    int Line = 0;
    bool operator==(const TDfmProp& o) const { return Name == o.Name && Value == o.Value; }
};

inline TDfmValue TDfmValue::FromBool(bool b)
{
    return FromIdent(b ? QStringLiteral("True") : QStringLiteral("False"));
}

struct TDfmObject {
    QString Keyword = QStringLiteral("object"); // object, inherited or inline
    QString Name;
    QString ClassName;
    std::vector<TDfmProp> Props;
    std::vector<TDfmObject> Children;
    int Line = 0;
    bool operator==(const TDfmObject& o) const
    {
        return Name == o.Name && ClassName == o.ClassName && Props == o.Props &&
               Children == o.Children;
    }
};

// Blanks every line that starts (after blanks) with "on" in any case, which strips event
// handler assignments, and every line whose first character is "#". Lines are blanked
// rather than removed so that error messages keep the file's own line numbers.
QString FilterScreenLines(const QString& text);

// Parses filtered text; throws EDashFileError "Line n: ..." on anything malformed.
TDfmObject ParseScreenText(const QString& text);
// Reads Windows-1252 file bytes: filtering, then parsing.
TDfmObject ParseScreenFile(const QByteArray& bytes);

// The writing style: two blanks per level, "name = value", CR LF line ends, Windows-1252.
QString WriteScreenText(const TDfmObject& root);
QByteArray WriteScreenFile(const TDfmObject& root);

// Colour identifiers (clRed, clBtnFace, ...) to $00BBGGRR values and back; the back
// direction answers nothing for a value that has no name.
std::optional<uint32_t> ColourFromIdent(const QString& ident);
std::optional<QString> ColourIdent(uint32_t value);
// Character-set identifiers of the font Charset property.
std::optional<int> CharsetFromIdent(const QString& ident);
std::optional<QString> CharsetIdent(int value);
