#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// A colour as the settings store it: red in the lowest byte, then green, then blue; a high
// byte of 0xFF names a system colour by its index.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;
inline constexpr TColor SystemColorBase = 0xFF000000;

// The colour's name from the 52-name table, else "$" and 8 upper-case hexadecimal digits.
QString ColorToString(TColor color);

// A name from the table (any letter case), else the text read as an integer. Raises
// "'<text>' is not a valid integer value" when it is neither.
TColor StringToColor(const QString& text);

// An integer as the settings read it: leading blanks, a sign, then decimal digits, or
// hexadecimal ones after "$" or "0x". Nothing when the text is not such a number.
std::optional<std::int32_t> TextToInteger(const QString& text);

// The settings file: one object per run of reads or writes. Its text is 8-bit: each byte is read
// as the character of the same number (U+0000 to U+00FF) and written back as that byte. Each write
// goes to the file at once; a refused write raises "Unable to write to <file>".
class TOrvelIniFile {
public:
    explicit TOrvelIniFile(QString fileName);

    const QString& FileName() const { return m_fileName; }

    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    std::int32_t ReadInteger(const QString& section, const QString& key,
                             std::int32_t defaultValue) const;
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    TColor ReadColor(const QString& section, const QString& key, TColor defaultValue) const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, std::int32_t value);
    void WriteBool(const QString& section, const QString& key, bool value);
    void WriteColor(const QString& section, const QString& key, TColor value);

private:
    QString m_fileName;
};
