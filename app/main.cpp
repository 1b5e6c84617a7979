#include "Application.h"
#include "FormReclama.h"
#include "MainUnit.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Application::initialise();
    Application::setTitle(QStringLiteral("ZIV Eroz Evevev (runtime)"));
    TMainForm mainForm(QApplication::arguments());
    // The template copy of the product column: made now, never shown.
    TfrmMain frmMain;
    mainForm.show();
    return app.exec();
}
