#pragma once

#include <QByteArray>

// A decoded picture: width x height pixels, three bytes (red, green, blue) each, row by row.
struct DecodedImage {
    int width = 0;
    int height = 0;
    QByteArray rgb;
    bool isNull() const { return width <= 0 || height <= 0; }
};

// Decodes a JPEG (baseline or progressive) with libjpeg's release 6b interface. A damaged or
// unsupported file gives a null image, never a crash.
DecodedImage DecodeJpeg(const QByteArray& jpeg);
