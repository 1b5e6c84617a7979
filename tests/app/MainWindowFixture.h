#pragma once

#include "Application.h"
#include "MainUnit.h"
#include "OrvelRandom.h"
#include "TestSupport.h"
#include "ui_MainUnit.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// A seed whose next draw below bound is (or is not) the given value.
inline std::uint32_t seedDrawing(std::uint32_t bound, std::uint32_t value, bool equal = true) {
    for (std::uint32_t s = 1;; ++s) {
        OrvelRandom::setSeed(s);
        if ((OrvelRandom::Random(bound) == value) == equal)
            return s;
    }
}

// A main window started the way the program entry starts it, with a chosen command line.
class MainWindowTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<TMainForm> form;

    void SetUp() override { Application::setTitle(QStringLiteral("ZIV Eroz Evevev (runtime)")); }
    void TearDown() override {
        form.reset();
        OrvelRandom::setClock({});
        Application::setMainWindow(nullptr);
    }

    void start(QStringList arguments = {}) {
        arguments.prepend(QStringLiteral("zelvan-rid-evodad"));
        form = std::make_unique<TMainForm>(arguments);
    }
    Ui::TMainForm* ui() const { return form->form(); }
    QString path(const QString& name) const { return dir.filePath(name); }
    QByteArray paneBytes() const { return ui()->Memo->bytes(); }

    void openThroughDialog(const QString& file) {
        onNextDialog([file](QDialog* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            ASSERT_NE(files, nullptr);
            // Typed into the name box, as a user would; the dialog reads it on accept.
            auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(file);
            QMetaObject::invokeMethod(files, "accept");
        });
        ui()->mnuOpen->trigger();
    }
};
