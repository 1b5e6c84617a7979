#pragma once

#include <QColor>
#include <QPalette>

#include <cstdint>

// Colours as the settings store them (0x00BBGGRR; 0xFF000000 + index for a system colour) and
// as the screen draws them.
namespace SystemColors {

// A system colour index turns into the current palette's colour for the nearest role; "none"
// and "default" (and anything unknown) into the palette colour of fallbackRole.
QColor toQColor(std::uint32_t color, QPalette::ColorRole fallbackRole);

// The plain colour value of a screen colour.
std::uint32_t fromQColor(const QColor& color);

} // namespace SystemColors
