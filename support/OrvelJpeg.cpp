#include "OrvelJpeg.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

namespace {

// libjpeg reports fatal errors by calling error_exit, which must not return: it jumps back to
// the decoder with the error recorded.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf resume;
};

void onError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(errors->resume, 1);
}

void onMessage(j_common_ptr) {} // warnings of a damaged file are not shown to the user

} // namespace

DecodedImage DecodeJpeg(const QByteArray& jpeg) {
    DecodedImage image;
    if (jpeg.isEmpty())
        return image;
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.output_message = onMessage;
    // Set up before the jump target and never reassigned after it, so that it is intact when
    // an error jumps back; the pixels live behind it, in memory the jump does not touch.
    const auto pixels = std::make_unique<QByteArray>();
    if (setjmp(errors.resume) != 0) {
        jpeg_destroy_decompress(&info);
        return {};
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                 static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const JDIMENSION width = info.output_width;
    const JDIMENSION height = info.output_height;
    const size_t stride = size_t(width) * 3;
    pixels->resize(qsizetype(stride * height));
    while (info.output_scanline < height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(pixels->data() + stride * info.output_scanline);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    image.width = int(width);
    image.height = int(height);
    image.rgb = *pixels;
    return image;
}
