#pragma once

// The maker's web addresses fixed in the program. Every host sits in the reserved .example
// domain, so nothing the program opens on its own ever reaches a real third party's site.

// Host of the maker's software site, as the title marquee and the side panel name it.
inline constexpr char MakerWebAddress[] = "www.orveldesign.example";

// Home page of the maker's software site.
inline constexpr char MakerHomeAddress[] = "http://www.orveldesign.example/";

// Home page of the maker's second site, devoted to another of its products.
inline constexpr char ProductSiteAddress[] = "http://www.orvelpaint.example/";

// This program's download page on the maker's software site.
inline constexpr char DownloadPageAddress[] =
    "http://www.orveldesign.example/download-NFO-viewer/index.html";
