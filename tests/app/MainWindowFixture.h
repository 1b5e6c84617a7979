#pragma once

#include "Application.h"
#include "MainUnit.h"
#include "OrvelRandom.h"
#include "TestSupport.h"
#include "ui_MainUnit.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
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

// Drags mime data over the pane and drops it there, through the toolkit's own delivery.
inline void dropOnPane(QWidget* viewport, QMimeData* data) {
    const QPoint at = viewport->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
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
