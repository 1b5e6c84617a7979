#pragma once

#include <QMainWindow>

#include <memory>

class QWidget;

// Gives every entry of the "Similar tools" column inside window its target address.
void AssignProductLinks(QWidget* window);

namespace Ui {
class TfrmMain;
}

// The template copy of the "Similar tools" column: created hidden at start, never shown, with
// the same 17 entries and their targets.
class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    Ui::TfrmMain* form() const { return ui.get(); }

public Q_SLOTS:
    void pnlReclamaDblClick();
    void mnuProductsClick();

private:
    void FormCreate();

    std::unique_ptr<Ui::TfrmMain> ui;
};
