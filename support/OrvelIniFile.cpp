#include "OrvelIniFile.h"

#include "Errors.h"
#include "Profile.h"

#include <array>
#include <utility>

namespace {

struct ColorName {
    const char* name;
    TColor value;
};

constexpr TColor sys(TColor index) {
    return SystemColorBase + index;
}

// The order decides which name a value that has two is written with.
constexpr std::array<ColorName, 52> ColorNames = {{
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
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", clNone},
    {"clDefault", clDefault},
    {"clScrollBar", sys(0)},
    {"clBackground", sys(1)},
    {"clActiveCaption", sys(2)},
    {"clInactiveCaption", sys(3)},
    {"clMenu", sys(4)},
    {"clWindow", sys(5)},
    {"clWindowFrame", sys(6)},
    {"clMenuText", sys(7)},
    {"clWindowText", sys(8)},
    {"clCaptionText", sys(9)},
    {"clActiveBorder", sys(10)},
    {"clInactiveBorder", sys(11)},
    {"clAppWorkSpace", sys(12)},
    {"clHighlight", sys(13)},
    {"clHighlightText", sys(14)},
    {"clBtnFace", sys(15)},
    {"clBtnShadow", sys(16)},
    {"clGrayText", sys(17)},
    {"clBtnText", sys(18)},
    {"clInactiveCaptionText", sys(19)},
    {"clBtnHighlight", sys(20)},
    {"cl3DDkShadow", sys(21)},
    {"cl3DLight", sys(22)},
    {"clInfoText", sys(23)},
    {"clInfoBk", sys(24)},
    {"clHotLight", sys(26)},
    {"clGradientActiveCaption", sys(27)},
    {"clGradientInactiveCaption", sys(28)},
    {"clMenuHighlight", sys(29)},
    {"clMenuBar", sys(30)},
}};

// Settings text is 8-bit: each byte is one character (U+0000 to U+00FF) and back, so whatever
// the file holds comes back unchanged, with no code page in between.
QByteArray toBytes(const QString& text) {
    return text.toLatin1();
}

} // namespace

QString ColorToString(TColor color) {
    for (const ColorName& c : ColorNames) {
        if (c.value == color)
            return QString::fromLatin1(c.name);
    }
    return QStringLiteral("$%1").arg(color, 8, 16, QLatin1Char('0')).toUpper();
}

std::optional<std::int32_t> TextToInteger(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    int base = 10;
    if (i < text.size() && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' &&
               (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return std::nullopt;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        int digit = -1;
        if (ch >= u'0' && ch <= u'9')
            digit = ch - u'0';
        else if (ch >= u'a' && ch <= u'f')
            digit = ch - u'a' + 10;
        else if (ch >= u'A' && ch <= u'F')
            digit = ch - u'A' + 10;
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * std::uint64_t(base) + std::uint64_t(digit);
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    // Hexadecimal spans the whole 32 bits (colours need it); decimal stays within the signed range.
    if (base == 10 && value > (negative ? 0x80000000ull : 0x7FFFFFFFull))
        return std::nullopt;
    const auto bits = std::uint32_t(value);
    return std::int32_t(negative ? 0u - bits : bits);
}

TColor StringToColor(const QString& text) {
    for (const ColorName& c : ColorNames) {
        if (text.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0)
            return c.value;
    }
    if (const auto number = TextToInteger(text))
        return TColor(*number);
    throw UserError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

TOrvelIniFile::TOrvelIniFile(QString fileName) : m_fileName(std::move(fileName)) {}

QString TOrvelIniFile::ReadString(const QString& section, const QString& key,
                                  const QString& defaultValue) const {
    return QString::fromLatin1(
        Profile::readString(m_fileName, toBytes(section), toBytes(key), toBytes(defaultValue)));
}

std::int32_t TOrvelIniFile::ReadInteger(const QString& section, const QString& key,
                                        std::int32_t defaultValue) const {
    const QString text = ReadString(section, key, QString());
    return TextToInteger(text).value_or(defaultValue);
}

bool TOrvelIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

TColor TOrvelIniFile::ReadColor(const QString& section, const QString& key,
                                TColor defaultValue) const {
    return StringToColor(ReadString(section, key, ColorToString(defaultValue)));
}

void TOrvelIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    if (!Profile::writeString(m_fileName, toBytes(section), toBytes(key), toBytes(value)))
        throw UserError(QStringLiteral("Unable to write to %1").arg(m_fileName));
}

void TOrvelIniFile::WriteInteger(const QString& section, const QString& key, std::int32_t value) {
    WriteString(section, key, QString::number(value));
}

void TOrvelIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TOrvelIniFile::WriteColor(const QString& section, const QString& key, TColor value) {
    WriteString(section, key, ColorToString(value));
}
