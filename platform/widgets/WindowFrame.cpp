#include "WindowFrame.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <cmath>

#if defined(ZELVAN_HAVE_XCB)
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#endif

std::optional<QMargins> announcedFrame(const QWidget* window) {
#if defined(ZELVAN_HAVE_XCB)
    if (!window || !window->isWindow() || !window->testAttribute(Qt::WA_WState_Created))
        return std::nullopt;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return std::nullopt;
    const auto freeing = [](void* reply) { std::free(reply); };

    static xcb_atom_t extents = XCB_ATOM_NONE;
    if (extents == XCB_ATOM_NONE) {
        constexpr char name[] = "_NET_FRAME_EXTENTS";
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(freeing)> atom(
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name),
                                  nullptr),
            freeing);
        if (!atom)
            return std::nullopt;
        extents = atom->atom;
    }
    std::unique_ptr<xcb_get_property_reply_t, decltype(freeing)> property(
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 0, xcb_window_t(window->winId()),
                                                extents, XCB_ATOM_CARDINAL, 0, 4),
                               nullptr),
        freeing);
    if (!property || property->format != 32 || xcb_get_property_value_length(property.get()) != 16)
        return std::nullopt;
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(property.get()));
    // left, right, top, bottom in device pixels
    const qreal ratio = window->windowHandle() ? window->windowHandle()->devicePixelRatio() : 1.0;
    const auto logical = [ratio](std::uint32_t pixels) { return int(std::lround(pixels / ratio)); };
    return QMargins(logical(values[0]), logical(values[2]), logical(values[1]), logical(values[3]));
#else
    Q_UNUSED(window);
    return std::nullopt;
#endif
}

bool windowPositionsKnown() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
