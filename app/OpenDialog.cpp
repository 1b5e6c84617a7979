#include "OpenDialog.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QPointer>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeView>

namespace {

// The dialog's folder as laid out was the Windows desktop; here that is the user's desktop
// folder, or the home folder where there is none.
QString initialOpenFolder() {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return QFileInfo(desktop).isDir() ? desktop : QDir::homePath();
}

// Hides the widget it watches whenever that shows while the dialog is closed. A filter of its
// own, so that it sees the one widget it was made for and nothing else the window watches.
class DownWhileDialogClosed : public QObject {
public:
    DownWhileDialogClosed(QWidget* dialog, QWidget* watched)
        : QObject(watched), m_dialog(dialog), m_watched(watched) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_watched && event->type() == QEvent::Show &&
            !(m_dialog && m_dialog->isVisible()))
            QTimer::singleShot(0, m_watched, &QWidget::hide);
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QWidget> m_dialog;
    QWidget* m_watched;
};

} // namespace

QFileDialog* makeOpenDialog(QWidget* parent) {
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QStringLiteral("OpenDialog"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // NFO files come in every letter case; the patterns say so, the dialog shows the names.
    dialog->setNameFilters({QStringLiteral("NFO & Diz Files (*.[nN][fF][oO] *.[dD][iI][zZ])"),
                            QStringLiteral("All Files (*)")});
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setDirectory(initialOpenFolder());
    // Big enough for names, sizes and dates in full, the two latter as wide as they need.
    const QRect screen = parent->screen() ? parent->screen()->availableGeometry() : QRect();
    dialog->resize(QSize(960, 600).boundedTo(screen.size() * 9 / 10));
    if (auto* details = dialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = details->header();
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    // The name field's completion list fills from a folder read in the background and can come
    // up after the dialog has closed, where it would take the keys meant for the main window: it
    // is kept down whenever the dialog is not up.
    const auto completers = dialog->findChildren<QCompleter*>();
    for (QCompleter* completer : completers) {
        if (QAbstractItemView* popup = completer->popup())
            popup->installEventFilter(new DownWhileDialogClosed(dialog, popup));
    }
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog] {
        const auto popups = dialog->findChildren<QCompleter*>();
        for (QCompleter* completer : popups)
            completer->popup()->hide();
    });
    return dialog;
}
