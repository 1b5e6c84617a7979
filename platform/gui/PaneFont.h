#pragma once

#include "CodePage.h"

#include <QColor>
#include <QFont>
#include <QString>

// A font as the program describes it: the name the settings store, a size in points, the
// effects, the colour and the character set that decides the glyph table.
struct FontSpec {
    QString name = QStringLiteral("Terminal");
    int pointSize = 9;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor color = QColor(0, 255, 0);
    CodePage::Charset charset = CodePage::Charset::Oem;

    bool operator==(const FontSpec&) const = default;
};

// The font the screen draws a FontSpec with. "Terminal", the DOS screen font, is drawn with GNU
// Unifont, whose glyphs are drawn on an 8 x 16 grid and stay crisp only at whole multiples of
// 16 pixels with antialiasing off, as the raster font came in fixed sizes: a size of n points
// takes the multiple of 16 pixels nearest to n / 9 (at least one), so 9 pt is 16 px, 18 pt is
// 32 px, and so on.
QFont resolveFont(const FontSpec& spec);
int terminalPixelSize(int pointSize);
bool isTerminal(const QString& name);
// The family that stands in for it.
inline constexpr char16_t StandInFamily[] = u"Unifont";

// The name under which the DOS screen font is offered and stored.
inline constexpr char16_t TerminalFontName[] = u"Terminal";
