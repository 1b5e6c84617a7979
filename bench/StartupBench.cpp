// Start-up to the first shown frame. "bench_startup" starts the viewer on its default document,
// "bench_startup FILE" on FILE as a double-click would; "bench_startup empty" starts an empty
// QMainWindow the same way. Either ends as soon as its
// window has been exposed and painted once; bench/startup.sh times whole processes.

#include "Application.h"
#include "FormReclama.h"
#include "MainUnit.h"
#include "Prefetch.h"

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char* argv[]) {
    const bool empty = argc > 1 && std::strcmp(argv[1], "empty") == 0;
    // As the program entry does: the document is read while the toolkit starts.
    if (!empty)
        Prefetch::startFromArguments(argc, argv);
    QApplication app(argc, argv);
    std::unique_ptr<QMainWindow> window;
    if (empty) {
        window = std::make_unique<QMainWindow>();
        window->resize(800, 910);
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
    window->show();
    // Posted behind the first expose and paint of the window. With ZELVAN_SETTLE set, the loop
    // runs on for that many milliseconds and the CPU time the program spent after its first
    // frame (the work it left for later, such as measuring the list) is printed.
    const int settle = qEnvironmentVariableIntValue("ZELVAN_SETTLE");
    double firstFrame = 0;
    QTimer::singleShot(0, &app, [&] {
        firstFrame = cpuSeconds();
        QTimer::singleShot(settle, &app, [&app] { app.quit(); });
    });
    const int result = app.exec();
    if (settle > 0)
        std::printf("CPU after the first frame: %.1f ms (over %d ms)\n",
                    (cpuSeconds() - firstFrame) * 1000, settle);
    return result;
}
