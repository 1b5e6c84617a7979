#include "MessageBox.h"

#include <cstdio>

namespace MessageBox {
namespace {

void toStandardError(const QString& caption, const QString& text, Icon) {
    std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(),
                 text.toLocal8Bit().constData());
}

Handler& current() {
    static Handler handler = toStandardError;
    return handler;
}

} // namespace

void show(const QString& caption, const QString& text, Icon icon) {
    current()(caption, text, icon);
}

void setHandler(Handler handler) {
    current() = handler ? std::move(handler) : Handler(toStandardError);
}

} // namespace MessageBox
