#include "PaneFont.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int TerminalCellHeight = 16;

} // namespace

bool isTerminal(const QString& name) {
    return name.compare(QStringView(TerminalFontName), Qt::CaseInsensitive) == 0;
}

int terminalPixelSize(int pointSize) {
    const int cells = std::max(1, int(std::lround(pointSize / 9.0)));
    return TerminalCellHeight * cells;
}

QFont resolveFont(const FontSpec& spec) {
    QFont font;
    if (isTerminal(spec.name)) {
        font.setFamily(QString::fromUtf16(StandInFamily));
        font.setPixelSize(terminalPixelSize(spec.pointSize));
        font.setStyleStrategy(QFont::NoAntialias);
        font.setHintingPreference(QFont::PreferFullHinting);
    } else {
        font.setFamily(spec.name);
        font.setPointSize(std::max(1, spec.pointSize));
    }
    font.setFixedPitch(true);
    font.setBold(spec.bold);
    font.setItalic(spec.italic);
    font.setUnderline(spec.underline);
    font.setStrikeOut(spec.strikeOut);
    return font;
}
