#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <utility>
#include <vector>

// What the program tried to do to the outside world during a test. Reset before every test.
struct OutsideWorld {
    std::vector<QByteArray> opened;                   // targets handed to the shell
    int shellResult = 42;                             // what the shell answers
    std::vector<std::pair<unsigned, unsigned>> tones; // (frequency, milliseconds)
    QStringList messages;                             // texts of the error message boxes
    QStringList messageCaptions;

    static OutsideWorld& get();
    void reset();
};

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

// Runs work(0) and work(1) in two child processes at the same time and waits for both; false
// when either failed (work returned false or the child died).
bool runInTwoProcesses(const std::function<bool(int child)>& work);

class QDialog;

// Runs action on the next modal dialog as soon as it is up (the dialog's exec() then returns).
void onNextDialog(std::function<void(QDialog*)> action);
