#include "DashFile.h"

#include "TextCodec.h"

#include <array>
#include <cmath>
#include <utility>

TDfmValue TDfmValue::FromInt(int64_t v)
{
    TDfmValue r;
    r.Kind = vkInt;
    r.Int = v;
    return r;
}

TDfmValue TDfmValue::FromFloat(double v)
{
    TDfmValue r;
    r.Kind = vkFloat;
    r.Float = v;
    return r;
}

TDfmValue TDfmValue::FromString(const QString& s)
{
    TDfmValue r;
    r.Kind = vkString;
    r.Text = s;
    return r;
}

TDfmValue TDfmValue::FromIdent(const QString& s)
{
    TDfmValue r;
    r.Kind = vkIdent;
    r.Text = s;
    return r;
}

TDfmValue TDfmValue::FromSet(const QStringList& items)
{
    TDfmValue r;
    r.Kind = vkSet;
    r.Items = items;
    return r;
}

bool TDfmValue::operator==(const TDfmValue& o) const
{
    if (Kind != o.Kind) return false;
    switch (Kind) {
    case vkInt:
        return Int == o.Int;
    case vkFloat:
        return Float == o.Float;
    case vkString:
    case vkIdent:
        return Text == o.Text;
    case vkSet:
        return Items == o.Items;
    case vkBinary:
        return Bytes == o.Bytes;
    case vkList:
        return List == o.List;
    case vkCollection:
        return Collection == o.Collection;
    }
    return false;
}

QString FilterScreenLines(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (line.startsWith(QLatin1Char('#')) ||
            trimmed.startsWith(QLatin1String("on"), Qt::CaseInsensitive))
            line.clear();
    }
    return lines.join(QLatin1Char('\n'));
}

namespace {

// Nesting beyond this is refused rather than followed down the stack.
constexpr int MaxDepth = 64;

class TParser {
  public:
    explicit TParser(const QString& text) : FText(text) {}

    TDfmObject ParseRoot()
    {
        SkipBlanks();
        TDfmObject root = ParseObject(0);
        SkipBlanks();
        if (FPos < FText.size()) Fail(QStringLiteral("Text after the final end"));
        return root;
    }

  private:
    const QString& FText;
    qsizetype FPos = 0;
    int FLine = 1;

    [[noreturn]] void Fail(const QString& what) const
    {
        throw EDashFileError(QStringLiteral("Line %1: %2").arg(FLine).arg(what));
    }

    bool AtEnd() const { return FPos >= FText.size(); }
    QChar Peek() const { return AtEnd() ? QChar() : FText[FPos]; }

    void SkipBlanks()
    {
        while (!AtEnd()) {
            const QChar c = FText[FPos];
            if (c == QLatin1Char('\n'))
                ++FLine;
            else if (!c.isSpace() && c != QChar(0))
                break;
            ++FPos;
        }
    }

    static bool IdentStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
    static bool IdentChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

    // A name, possibly dotted (Font.Height); empty when none is here.
    QString Name(bool dotted)
    {
        SkipBlanks();
        const qsizetype start = FPos;
        if (AtEnd() || !IdentStart(FText[FPos])) return {};
        while (!AtEnd() && (IdentChar(FText[FPos]) || (dotted && FText[FPos] == QLatin1Char('.'))))
            ++FPos;
        return FText.mid(start, FPos - start);
    }

    void Expect(QChar c)
    {
        SkipBlanks();
        if (Peek() != c) Fail(QStringLiteral("'%1' expected").arg(c));
        ++FPos;
    }

    static bool IsObjectKeyword(const QString& w)
    {
        return w.compare(QLatin1String("object"), Qt::CaseInsensitive) == 0 ||
               w.compare(QLatin1String("inherited"), Qt::CaseInsensitive) == 0 ||
               w.compare(QLatin1String("inline"), Qt::CaseInsensitive) == 0;
    }

    TDfmObject ParseObject(int depth)
    {
        if (depth > MaxDepth) Fail(QStringLiteral("Objects nested too deeply"));
        TDfmObject obj;
        obj.Line = FLine;
        const QString keyword = Name(false);
        if (!IsObjectKeyword(keyword)) Fail(QStringLiteral("'object' expected"));
        obj.Keyword = keyword.toLower();
        QString first = Name(false);
        if (first.isEmpty()) Fail(QStringLiteral("Object name or class name expected"));
        SkipBlanks();
        if (Peek() == QLatin1Char(':')) {
            ++FPos;
            obj.Name = first;
            obj.ClassName = Name(false);
            if (obj.ClassName.isEmpty()) Fail(QStringLiteral("Class name expected"));
        } else {
            obj.ClassName = first;
        }
        // Properties, then children, then end.
        for (;;) {
            SkipBlanks();
            if (AtEnd()) Fail(QStringLiteral("'end' expected"));
            const qsizetype mark = FPos;
            const int line = FLine;
            const QString word = Name(true);
            if (word.isEmpty()) Fail(QStringLiteral("Property name expected"));
            if (word.compare(QLatin1String("end"), Qt::CaseInsensitive) == 0) break;
            if (IsObjectKeyword(word)) {
                FPos = mark;
                FLine = line;
                obj.Children.push_back(ParseObject(depth + 1));
                continue;
            }
            if (!obj.Children.empty()) Fail(QStringLiteral("'end' expected"));
            TDfmProp prop;
            prop.Name = word;
            prop.Line = line;
            Expect(QLatin1Char('='));
            prop.Value = ParseValue(depth);
            obj.Props.push_back(std::move(prop));
        }
        return obj;
    }

    TDfmValue ParseValue(int depth)
    {
        if (depth > MaxDepth) Fail(QStringLiteral("Values nested too deeply"));
        SkipBlanks();
        TDfmValue v;
        v.Line = FLine;
        if (AtEnd()) Fail(QStringLiteral("Value expected"));
        const QChar c = Peek();
        if (c == QLatin1Char('\'') || c == QLatin1Char('#')) {
            v.Kind = TDfmValue::vkString;
            v.Text = ParseString();
        } else if (c == QLatin1Char('-') || c == QLatin1Char('+') || c == QLatin1Char('$') ||
                   c.isDigit()) {
            ParseNumber(v);
        } else if (IdentStart(c)) {
            v.Kind = TDfmValue::vkIdent;
            v.Text = Name(true);
        } else if (c == QLatin1Char('[')) {
            ++FPos;
            v.Kind = TDfmValue::vkSet;
            SkipBlanks();
            if (Peek() != QLatin1Char(']')) {
                for (;;) {
                    const QString item = Name(false);
                    if (item.isEmpty()) Fail(QStringLiteral("Set member expected"));
                    v.Items << item;
                    SkipBlanks();
                    if (Peek() == QLatin1Char(',')) {
                        ++FPos;
                        continue;
                    }
                    break;
                }
            }
            Expect(QLatin1Char(']'));
        } else if (c == QLatin1Char('{')) {
            ++FPos;
            v.Kind = TDfmValue::vkBinary;
            ParseBinary(v.Bytes);
        } else if (c == QLatin1Char('(')) {
            ++FPos;
            v.Kind = TDfmValue::vkList;
            for (;;) {
                SkipBlanks();
                if (AtEnd()) Fail(QStringLiteral("')' expected"));
                if (Peek() == QLatin1Char(')')) {
                    ++FPos;
                    break;
                }
                v.List.push_back(ParseValue(depth + 1));
            }
        } else if (c == QLatin1Char('<')) {
            ++FPos;
            v.Kind = TDfmValue::vkCollection;
            ParseCollection(v, depth);
        } else {
            Fail(QStringLiteral("Invalid property value"));
        }
        return v;
    }

    QString ParseString()
    {
        QString out;
        for (;;) {
            SkipBlanks();
            const QChar c = Peek();
            if (c == QLatin1Char('\'')) {
                ++FPos;
                for (;;) {
                    if (AtEnd() || FText[FPos] == QLatin1Char('\n'))
                        Fail(QStringLiteral("Unterminated string"));
                    const QChar ch = FText[FPos++];
                    if (ch == QLatin1Char('\'')) {
                        if (Peek() == QLatin1Char('\'')) {
                            out += ch;
                            ++FPos;
                            continue;
                        }
                        break;
                    }
                    out += ch;
                }
            } else if (c == QLatin1Char('#')) {
                ++FPos;
                const qsizetype start = FPos;
                while (!AtEnd() && FText[FPos].isDigit() && FPos - start < 6)
                    ++FPos;
                bool ok = false;
                const int code = FText.mid(start, FPos - start).toInt(&ok);
                if (!ok || code > 0xFFFF) Fail(QStringLiteral("Invalid character code"));
                out += QChar(static_cast<char16_t>(code));
            } else {
                break;
            }
            // Pieces may be joined by "+", which may end a line, or simply follow each other.
            SkipBlanks();
            if (Peek() == QLatin1Char('+')) {
                ++FPos;
                SkipBlanks();
                if (Peek() != QLatin1Char('\'') && Peek() != QLatin1Char('#'))
                    Fail(QStringLiteral("String expected after '+'"));
            }
        }
        return out;
    }

    void ParseNumber(TDfmValue& v)
    {
        const qsizetype start = FPos;
        bool negative = false;
        if (Peek() == QLatin1Char('-') || Peek() == QLatin1Char('+')) {
            negative = Peek() == QLatin1Char('-');
            ++FPos;
        }
        if (Peek() == QLatin1Char('$')) {
            ++FPos;
            const qsizetype digits = FPos;
            while (!AtEnd() && isxdigit(FText[FPos].toLatin1()) && FText[FPos].unicode() < 128)
                ++FPos;
            bool ok = false;
            const qulonglong u = FText.mid(digits, FPos - digits).toULongLong(&ok, 16);
            if (!ok || FPos - digits > 16 || u > 0x7FFFFFFFFFFFFFFFull)
                Fail(QStringLiteral("Invalid hexadecimal number"));
            v.Kind = TDfmValue::vkInt;
            v.Int = negative ? -static_cast<int64_t>(u) : static_cast<int64_t>(u);
            return;
        }
        bool isFloat = false;
        while (!AtEnd()) {
            const QChar c = FText[FPos];
            if (c.isDigit() && c.unicode() < 128) {
                ++FPos;
            } else if (c == QLatin1Char('.') || c == QLatin1Char('e') || c == QLatin1Char('E')) {
                isFloat = true;
                ++FPos;
                if ((c == QLatin1Char('e') || c == QLatin1Char('E')) &&
                    (Peek() == QLatin1Char('-') || Peek() == QLatin1Char('+')))
                    ++FPos;
            } else {
                break;
            }
        }
        const QString text = FText.mid(start, FPos - start);
        bool ok = false;
        if (isFloat) {
            v.Kind = TDfmValue::vkFloat;
            v.Float = text.toDouble(&ok);
            if (!ok || !std::isfinite(v.Float))
                Fail(QStringLiteral("Invalid number '%1'").arg(text));
        } else {
            v.Kind = TDfmValue::vkInt;
            v.Int = text.toLongLong(&ok);
            if (!ok) Fail(QStringLiteral("Invalid number '%1'").arg(text));
        }
    }

    void ParseBinary(QByteArray& out)
    {
        QString digits;
        for (;;) {
            SkipBlanks();
            if (AtEnd()) Fail(QStringLiteral("'}' expected"));
            const QChar c = FText[FPos];
            if (c == QLatin1Char('}')) {
                ++FPos;
                break;
            }
            if (c.unicode() >= 128 || !isxdigit(c.toLatin1()))
                Fail(QStringLiteral("Invalid binary data"));
            digits += c;
            ++FPos;
        }
        if (digits.size() % 2 != 0) Fail(QStringLiteral("Invalid binary data"));
        out = QByteArray::fromHex(digits.toLatin1());
    }

    void ParseCollection(TDfmValue& v, int depth)
    {
        for (;;) {
            SkipBlanks();
            if (AtEnd()) Fail(QStringLiteral("'>' expected"));
            if (Peek() == QLatin1Char('>')) {
                ++FPos;
                return;
            }
            const QString word = Name(false);
            if (word.compare(QLatin1String("item"), Qt::CaseInsensitive) != 0)
                Fail(QStringLiteral("'item' expected"));
            std::vector<TDfmProp> item;
            for (;;) {
                SkipBlanks();
                const int line = FLine;
                const QString name = Name(true);
                if (name.isEmpty()) Fail(QStringLiteral("'end' expected"));
                if (name.compare(QLatin1String("end"), Qt::CaseInsensitive) == 0) break;
                TDfmProp prop;
                prop.Name = name;
                prop.Line = line;
                Expect(QLatin1Char('='));
                prop.Value = ParseValue(depth + 1);
                item.push_back(std::move(prop));
            }
            v.Collection.push_back(std::move(item));
        }
    }
};

// --- writing ---

QString QuoteString(const QString& s)
{
    if (s.isEmpty()) return QStringLiteral("''");
    QString out;
    bool inQuote = false;
    for (QChar c : s) {
        if (c.unicode() < 32) {
            if (inQuote) {
                out += QLatin1Char('\'');
                inQuote = false;
            }
            out += QLatin1Char('#') + QString::number(c.unicode());
        } else {
            if (!inQuote) {
                out += QLatin1Char('\'');
                inQuote = true;
            }
            if (c == QLatin1Char('\'')) out += QLatin1Char('\'');
            out += c;
        }
    }
    if (inQuote) out += QLatin1Char('\'');
    return out;
}

QString FloatText(double v)
{
    // General format with up to 15 significant digits, "." whatever the locale.
    return QString::number(v, 'g', 15);
}

void WriteValue(QString& out, const TDfmValue& v, const QString& indent);

void WriteProps(QString& out, const std::vector<TDfmProp>& props, const QString& indent)
{
    for (const TDfmProp& p : props) {
        out += indent + p.Name + QStringLiteral(" = ");
        WriteValue(out, p.Value, indent);
        out += QStringLiteral("\r\n");
    }
}

void WriteValue(QString& out, const TDfmValue& v, const QString& indent)
{
    switch (v.Kind) {
    case TDfmValue::vkInt:
        out += QString::number(v.Int);
        break;
    case TDfmValue::vkFloat:
        out += FloatText(v.Float);
        break;
    case TDfmValue::vkString:
        out += QuoteString(v.Text);
        break;
    case TDfmValue::vkIdent:
        out += v.Text;
        break;
    case TDfmValue::vkSet:
        out += QLatin1Char('[') + v.Items.join(QStringLiteral(", ")) + QLatin1Char(']');
        break;
    case TDfmValue::vkBinary: {
        out += QStringLiteral("{");
        const QByteArray hex = v.Bytes.toHex().toUpper();
        for (qsizetype i = 0; i < hex.size(); i += 64)
            out += QStringLiteral("\r\n  ") + indent + QString::fromLatin1(hex.mid(i, 64));
        out += QStringLiteral("}");
        break;
    }
    case TDfmValue::vkList:
        out += QLatin1Char('(');
        for (const TDfmValue& item : v.List) {
            out += QStringLiteral("\r\n  ") + indent;
            WriteValue(out, item, indent + QStringLiteral("  "));
        }
        out += QLatin1Char(')');
        break;
    case TDfmValue::vkCollection:
        out += QLatin1Char('<');
        for (const auto& item : v.Collection) {
            out += QStringLiteral("\r\n  ") + indent + QStringLiteral("item\r\n");
            WriteProps(out, item, indent + QStringLiteral("    "));
            out += indent + QStringLiteral("  end");
        }
        out += QLatin1Char('>');
        break;
    }
}

void WriteObject(QString& out, const TDfmObject& obj, const QString& indent)
{
    out += indent + obj.Keyword + QLatin1Char(' ');
    if (!obj.Name.isEmpty()) out += obj.Name + QStringLiteral(": ");
    out += obj.ClassName + QStringLiteral("\r\n");
    const QString inner = indent + QStringLiteral("  ");
    WriteProps(out, obj.Props, inner);
    for (const TDfmObject& child : obj.Children)
        WriteObject(out, child, inner);
    out += indent + QStringLiteral("end\r\n");
}

struct TColourName {
    const char* Name;
    uint32_t Value;
};

constexpr std::array<TColourName, 17> PlainColours{{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clNone", 0x1FFFFFFF},
}};

constexpr std::array<const char*, 25> SystemColours{
    "clScrollBar",    "clBackground",  "clActiveCaption", "clInactiveCaption",
    "clMenu",         "clWindow",      "clWindowFrame",   "clMenuText",
    "clWindowText",   "clCaptionText", "clActiveBorder",  "clInactiveBorder",
    "clAppWorkSpace", "clHighlight",   "clHighlightText", "clBtnFace",
    "clBtnShadow",    "clGrayText",    "clBtnText",       "clInactiveCaptionText",
    "clBtnHighlight", "cl3DDkShadow",  "cl3DLight",       "clInfoText",
    "clInfoBk",
};

struct TCharsetName {
    const char* Name;
    int Value;
};

constexpr std::array<TCharsetName, 18> Charsets{{
    {"ANSI_CHARSET", 0},
    {"DEFAULT_CHARSET", 1},
    {"SYMBOL_CHARSET", 2},
    {"MAC_CHARSET", 77},
    {"SHIFTJIS_CHARSET", 128},
    {"HANGEUL_CHARSET", 129},
    {"JOHAB_CHARSET", 130},
    {"GB2312_CHARSET", 134},
    {"CHINESEBIG5_CHARSET", 136},
    {"GREEK_CHARSET", 161},
    {"TURKISH_CHARSET", 162},
    {"VIETNAMESE_CHARSET", 163},
    {"HEBREW_CHARSET", 177},
    {"ARABIC_CHARSET", 178},
    {"BALTIC_CHARSET", 186},
    {"RUSSIAN_CHARSET", 204},
    {"THAI_CHARSET", 222},
    {"EASTEUROPE_CHARSET", 238},
}};

} // namespace

TDfmObject ParseScreenText(const QString& text)
{
    TParser parser(text);
    return parser.ParseRoot();
}

TDfmObject ParseScreenFile(const QByteArray& bytes)
{
    return ParseScreenText(FilterScreenLines(FromWin1252(bytes)));
}

QString WriteScreenText(const TDfmObject& root)
{
    QString out;
    WriteObject(out, root, QString());
    return out;
}

QByteArray WriteScreenFile(const TDfmObject& root)
{
    return ToWin1252(WriteScreenText(root));
}

std::optional<uint32_t> ColourFromIdent(const QString& ident)
{
    for (const TColourName& c : PlainColours)
        if (ident.compare(QLatin1String(c.Name), Qt::CaseInsensitive) == 0) return c.Value;
    for (size_t i = 0; i < SystemColours.size(); ++i)
        if (ident.compare(QLatin1String(SystemColours[i]), Qt::CaseInsensitive) == 0)
            return 0x80000000u + static_cast<uint32_t>(i);
    return std::nullopt;
}

std::optional<QString> ColourIdent(uint32_t value)
{
    for (const TColourName& c : PlainColours)
        if (c.Value == value) return QLatin1String(c.Name);
    if (value >= 0x80000000u && value < 0x80000000u + SystemColours.size())
        return QLatin1String(SystemColours[value - 0x80000000u]);
    return std::nullopt;
}

std::optional<int> CharsetFromIdent(const QString& ident)
{
    for (const TCharsetName& c : Charsets)
        if (ident.compare(QLatin1String(c.Name), Qt::CaseInsensitive) == 0) return c.Value;
    return std::nullopt;
}

std::optional<QString> CharsetIdent(int value)
{
    for (const TCharsetName& c : Charsets)
        if (c.Value == value) return QLatin1String(c.Name);
    return std::nullopt;
}
