#pragma once

#include "OrvelAddresses.h"

#include <array>

// The column of links to the maker's other programs, top to bottom: each entry's label name in
// the layouts and the address its Link gets when the window is created. Entries 1 to 15 are the
// maker's other programs, 16 this program, 17 the closing "etc".
struct ProductLink {
    const char* label;
    const char* target;
};

inline constexpr std::array<ProductLink, 17> ProductLinks = {{
    {"lblDiskSweeper", "http://www.orveldesign.example/download-disk-sweeper/index.html"},
    {"lblClipKeeper", "http://www.orveldesign.example/download-clip-keeper/index.html"},
    {"lblTinyTimer", "http://www.orveldesign.example/download-tiny-timer/index.html"},
    {"lblOrvelPaint", ProductSiteAddress},
    {"lblRenameWizard", "http://www.orveldesign.example/download-rename-wizard/index.html"},
    {"lblHexPeek", "http://www.orveldesign.example/download-hexpeek/index.html"},
    {"lblIconSnatcher", "http://www.orveldesign.example/download-icon-snatcher/index.html"},
    {"lblTextMerge", "http://www.orveldesign.example/download-text-merge/index.html"},
    {"lblFontShelf", "http://www.orveldesign.example/download-font-shelf/index.html"},
    {"lblDupeFinder", "http://www.orveldesign.example/download-dupe-finder/index.html"},
    {"lblShutdownPilot", "http://www.orveldesign.example/download-shutdown-pilot/index.html"},
    {"lblBrushPack", "http://www.orvelpaint.example/brushes/index.html"},
    {"lblScreenRuler", "http://www.orveldesign.example/download-screen-ruler/index.html"},
    {"lblColorPicker", "http://www.orveldesign.example/download-color-picker/index.html"},
    {"lblStartupManager", "http://www.orveldesign.example/download-startup-manager/index.html"},
    {"lblNfoViewer", DownloadPageAddress},
    {"lblOthers", MakerHomeAddress},
}};
