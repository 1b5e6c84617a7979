#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TfrmAbout;
}

// The About window: the program's name, the maker's notice, a picture that leads to the maker's
// second site, and links to both sites. Made afresh for every showing and shown modally.
class TfrmAbout : public QDialog {
    Q_OBJECT

public:
    explicit TfrmAbout(QWidget* parent = nullptr);
    ~TfrmAbout() override;

    Ui::TfrmAbout* form() const { return ui.get(); }

public Q_SLOTS:
    void imgLogoClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();

    std::unique_ptr<Ui::TfrmAbout> ui;
};
