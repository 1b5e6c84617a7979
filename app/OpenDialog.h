#pragma once

class QFileDialog;
class QWidget;

// The main window's Open dialog, made on first use (it costs more to build than the whole
// window) and kept for the run, so that a size or folder the user gives it holds: NFO and DIZ
// files in any letter case, or any file; opening in the user's desktop folder; wide enough for
// whole names, sizes and dates; its completion list never left up without it.
QFileDialog* makeOpenDialog(QWidget* parent);
