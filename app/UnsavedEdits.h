#pragma once

class QString;
class QWidget;

// What becomes of edits not saved yet when the document they are in would be replaced (Open, a
// drop, Close) or the program end: saved first, dropped, or kept (and what was asked for is not
// done).
enum class UnsavedEdits { Save, Discard, Keep };

// Asks, naming the file the edits would be saved to; no name when the text has no file yet.
UnsavedEdits askAboutUnsavedEdits(QWidget* parent, const QString& fileName);

// A file to save a text that has none to, as the user chooses it; empty when they cancel.
QString chooseFileToSave(QWidget* parent);
