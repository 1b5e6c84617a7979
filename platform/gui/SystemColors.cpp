#include "SystemColors.h"

#include <QGuiApplication>

namespace SystemColors {
namespace {

// Index of each Windows system colour -> the palette role that plays its part here.
QPalette::ColorRole roleOf(std::uint32_t index) {
    switch (index) {
    case 1:  // background (desktop)
    case 4:  // menu
    case 30: // menu bar
        return QPalette::Window;
    case 2:  // active caption
    case 13: // highlight
    case 27: // gradient active caption
    case 29: // menu highlight
        return QPalette::Highlight;
    case 3:  // inactive caption
    case 28: // gradient inactive caption
        return QPalette::Mid;
    case 5:
        return QPalette::Base;
    case 6:  // window frame
    case 21: // 3D dark shadow
        return QPalette::Shadow;
    case 7:  // menu text
    case 19: // inactive caption text
        return QPalette::WindowText;
    case 8:
        return QPalette::Text;
    case 9:  // caption text
    case 14: // highlight text
        return QPalette::HighlightedText;
    case 12: // application work space
    case 16: // button shadow
        return QPalette::Dark;
    case 17:
        return QPalette::PlaceholderText;
    case 18:
        return QPalette::ButtonText;
    case 20:
        return QPalette::Light;
    case 22:
        return QPalette::Midlight;
    case 23:
        return QPalette::ToolTipText;
    case 24:
        return QPalette::ToolTipBase;
    case 26:
        return QPalette::Link;
    default: // scroll bar, borders, button face
        return QPalette::Button;
    }
}

} // namespace

QColor toQColor(std::uint32_t color, QPalette::ColorRole fallbackRole) {
    const QPalette palette = QGuiApplication::palette();
    if ((color >> 24) == 0)
        return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
    if ((color >> 24) == 0xFF && (color & 0xFFFFFF) <= 30)
        return palette.color(roleOf(color & 0xFF));
    return palette.color(fallbackRole);
}

std::uint32_t fromQColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return std::uint32_t(rgb.red()) | (std::uint32_t(rgb.green()) << 8) |
           (std::uint32_t(rgb.blue()) << 16);
}

} // namespace SystemColors
