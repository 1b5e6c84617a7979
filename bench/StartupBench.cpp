// Start-up to the first shown frame. "bench_startup" starts the viewer on its default document,
// "bench_startup FILE" on FILE as a double-click would; "bench_startup empty" starts an empty
// QMainWindow the same way, its background the viewer's text colour, so that a timer from
// outside can take the first frame holding that colour as either's first painted frame. Either
// ends as soon as its window has been painted once and the X server has the frame, without
// taking anything down (which would cost the empty window the font configuration the viewer read
// before its frame); bench/startup.sh times whole processes.

#include "Application.h"
#include "FormReclama.h"
#include "MainUnit.h"
#include "Prefetch.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Calls back once the window has been painted: a paint of the window itself starts the first
// frame, and what is posted then runs when the frame has been drawn and sent.
class FirstPaint : public QObject {
public:
    template <typename Then> FirstPaint(QWidget* window, Then then) : m_then(then) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, this, m_then);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_then;
    bool m_seen = false;
};

// Waits until the X server has done everything asked of it so far: the frame is then on screen.
void roundTrip() {
    if (const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
        xcb_connection_t* connection = x11->connection();
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
}

} // namespace

int main(int argc, char* argv[]) {
    const bool empty = argc > 1 && std::strcmp(argv[1], "empty") == 0;
    // As the program entry does: the document is read while the toolkit starts.
    std::optional<FontConfigurationAhead> fonts;
    if (!empty) {
        Prefetch::startFromArguments(argc, argv);
        fonts.emplace();
    }
    QApplication app(argc, argv);
    std::unique_ptr<QMainWindow> window;
    if (empty) {
        window = std::make_unique<QMainWindow>();
        window->resize(800, 910);
        QPalette palette = window->palette();
        palette.setColor(QPalette::Window, QColor(0, 255, 0));
        window->setPalette(palette);
    } else {
        Application::initialise();
        Application::setTitle(QStringLiteral("ZIV Eroz Evevev (runtime)"));
        QStringList arguments{QString::fromLocal8Bit(argv[0])};
        if (argc > 1)
            arguments.append(QString::fromLocal8Bit(argv[1]));
        window = std::make_unique<TMainForm>(arguments);
    }
    // The program entry also makes the hidden template window before the loop runs.
    std::unique_ptr<TfrmMain> frmMain;
    if (!empty)
        frmMain = std::make_unique<TfrmMain>();
    // With ZELVAN_SETTLE set, the loop runs on for that many milliseconds after the first frame
    // and the CPU time the program spent meanwhile (the work it left for later, such as
    // measuring the list) is printed.
    const int settle = qEnvironmentVariableIntValue("ZELVAN_SETTLE");
    double firstFrame = 0;
    const FirstPaint painted(window.get(), [&] {
        roundTrip();
        if (settle <= 0)
            std::_Exit(0);
        firstFrame = cpuSeconds();
        QTimer::singleShot(settle, &app, [&app] { app.quit(); });
    });
    window->show();
    const int result = app.exec();
    if (settle > 0)
        std::printf("CPU after the first frame: %.1f ms (over %d ms)\n",
                    (cpuSeconds() - firstFrame) * 1000, settle);
    return result;
}
