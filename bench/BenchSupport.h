#pragma once

// What the benchmark programs share: a folder for their documents, NFO-looking documents of a
// given size, the file writing, and a main that runs offscreen unless told otherwise.

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <functional>
#include <map>

namespace bench {

inline QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

// Writes text to name in the folder and gives its path.
inline QString writeDocument(const QString& name, const QByteArray& text) {
    const QString path = folder().filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return path;
}

// 78-column lines of block art, frames and prose with LF ends, so normalisation has work, a
// tab now and then, and a web address every sixty lines for the navigator.
inline QString documentOf(qint64 bytes) {
    static std::map<qint64, QString> made;
    if (const auto found = made.find(bytes); found != made.end())
        return found->second;
    const QByteArray lines[] = {
        "  \xDB\xDB\xDB\xDB\xDF\xDF\xDB\xDB\xDC\xDC  \xB0\xB1\xB2\xDB  Release notes for this "
        "fine piece of software  \xDB\xB2\xB1\xB0\n",
        " \xBA  Supplier .....:\tsomeone     Cracker ....: nobody          \xBA\n",
        " \xC8\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD"
        "\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xBC  greetings to all\n",
    };
    QByteArray text;
    text.reserve(bytes + 100);
    for (int i = 0; text.size() < bytes; ++i)
        text +=
            i % 60 == 59 ? QByteArray("   more at http://www.example.org/nfo/\n") : lines[i % 3];
    text.truncate(bytes);
    return made[bytes] = writeDocument(QStringLiteral("doc-%1.nfo").arg(bytes), text);
}

// Runs the registered benchmarks inside an application object; before and after run with it
// alive (windows must go before it does).
inline int runWithWidgets(int argc, char** argv, const std::function<void()>& before = {},
                          const std::function<void()>& after = {}) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (before)
        before();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (after)
        after();
    return 0;
}

} // namespace bench
