#include "FormReclama.h"
#include "ui_FormReclama.h"

#include "Dock.h"
#include "OrvelProducts.h"

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::TfrmMain>()) {
    ui->setupUi(this);
    Dock::install(centralWidget());
    FormCreate();
}

TfrmMain::~TfrmMain() = default;

void AssignProductLinks(QWidget* window) {
    for (const ProductLink& product : ProductLinks) {
        if (auto* label = window->findChild<TInternetLabel*>(QString::fromLatin1(product.label)))
            label->setLink(product.target);
    }
}

void TfrmMain::FormCreate() {
    AssignProductLinks(this);
}

void TfrmMain::pnlReclamaDblClick() {
    ui->mnuProducts->setChecked(false);
    mnuProductsClick();
}

void TfrmMain::mnuProductsClick() {
    ui->pnlReclama->setVisible(ui->mnuProducts->isChecked());
}
