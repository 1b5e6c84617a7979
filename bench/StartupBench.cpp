// Start-up to the first shown frame. "bench_startup" starts the viewer on its default document,
// "bench_startup FILE" on FILE as a double-click would; "bench_startup empty" starts an empty
// QMainWindow the same way. Either ends as soon as its
// window has been exposed and painted once; bench/startup.sh times whole processes.

#include "Application.h"
#include "FormReclama.h"
#include "MainUnit.h"

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

#include <cstring>
#include <memory>

int main(int argc, char* argv[]) {
    const bool empty = argc > 1 && std::strcmp(argv[1], "empty") == 0;
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
    // Posted behind the first expose and paint of the window.
    QTimer::singleShot(0, &app, [&app] { app.quit(); });
    return app.exec();
}
