#pragma once

#include <QString>

// The scrolling title's text and its one-step rotation.

// "-=[ Zelvan RID Evodad by OrvelDesign ]=-", 43 blanks, "-=[ ", the maker's web address,
// " ]=-", 43 blanks.
QString MarqueeText();

// The text moved one character to the left, the first character re-entering at the end; an
// empty text stays empty.
QString RotateLeft(const QString& text);
