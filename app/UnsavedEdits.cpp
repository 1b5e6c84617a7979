#include "UnsavedEdits.h"

#include "FileNames.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

UnsavedEdits askAboutUnsavedEdits(QWidget* parent, const QString& fileName) {
    QMessageBox box(
        QMessageBox::Warning, QStringLiteral("Zelvan RID Evodad"),
        fileName.isEmpty()
            ? QStringLiteral("Save the edited text?")
            : QStringLiteral("Save the changes to \"%1\"?").arg(QFileInfo(fileName).fileName()),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setObjectName(QStringLiteral("UnsavedEdits"));
    box.setInformativeText(QStringLiteral("The text has edits that are not saved; they are lost "
                                          "if you discard them."));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return UnsavedEdits::Save;
    case QMessageBox::Discard:
        return UnsavedEdits::Discard;
    default:
        return UnsavedEdits::Keep;
    }
}

QString chooseFileToSave(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Save the edited text as"));
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("NFO & Diz Files (*.[nN][fF][oO] *.[dD][iI][zZ])"),
                           QStringLiteral("All Files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("nfo"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    // The dialog's names come through Qt's lossy conversion: find the file it meant.
    return FileNames::recover(dialog.selectedFiles().constFirst());
}
