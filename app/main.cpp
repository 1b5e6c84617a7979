#include "Application.h"
#include "MainUnit.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Application::initialise();
    Application::setTitle(QStringLiteral("ZIV Eroz Evevev (runtime)"));
    TMainForm mainForm(QApplication::arguments());
    mainForm.show();
    return app.exec();
}
