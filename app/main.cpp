#include "Application.h"
#include "MainUnit.h"
#include "Sound.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Sound::setBellHandler([] { QApplication::beep(); });
    Application::setTitle(QStringLiteral("ZIV Eroz Evevev (runtime)"));
    TMainForm mainForm(QApplication::arguments());
    mainForm.show();
    return app.exec();
}
