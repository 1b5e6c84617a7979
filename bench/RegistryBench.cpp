// The registry export at scale: reading a Classes.reg of N keys, one change to it (read, change,
// write), and N keys made in one session. All of them should grow linearly with N.

#include "Registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Registry;

namespace {

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

QString file() {
    return folder().path() + QStringLiteral("/Classes.reg");
}

// An export of n file types, each with its extension, description and open command.
void writeExport(qint64 n) {
    QByteArray text = "REGEDIT4\r\n";
    text.reserve(n * 200);
    for (qint64 i = 0; i < n; ++i) {
        const QByteArray type = "type" + QByteArray::number(i);
        text += "\r\n[HKEY_CLASSES_ROOT\\.e" + QByteArray::number(i) + "]\r\n@=\"" + type +
                "\"\r\n\r\n[HKEY_CLASSES_ROOT\\" + type + "]\r\n@=\"File type " +
                QByteArray::number(i) + "\"\r\n\r\n[HKEY_CLASSES_ROOT\\" + type +
                "\\shell\\open\\command]\r\n@=\"\\\"/usr/bin/viewer\\\" \\\"%1\\\"\"\r\n";
    }
    QFile out(file());
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    out.write(text);
}

void ReadAnExport(benchmark::State& state) {
    writeExport(state.range(0));
    for (auto _ : state) {
        HKEY key = 0;
        RegOpenKeyExA(HKEY_CLASSES_ROOT, ".e1", KEY_READ, &key);
        RegCloseKey(key);
    }
    state.counters["keys"] = double(state.range(0) * 5);
}

void ChangeOneValue(benchmark::State& state) {
    writeExport(state.range(0));
    for (auto _ : state) {
        HKEY key = 0;
        RegCreateKeyExA(HKEY_CLASSES_ROOT, ".nfo", KEY_ALL_ACCESS, &key);
        RegSetValueExA(key, {}, "nfo_file");
        RegCloseKey(key);
    }
    state.counters["keys"] = double(state.range(0) * 5);
}

void MakeKeysInOneSession(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(file());
        state.ResumeTiming();
        HKEY root = 0;
        RegOpenKeyExA(HKEY_CLASSES_ROOT, {}, KEY_ALL_ACCESS, &root);
        for (qint64 i = 0; i < state.range(0); ++i) {
            HKEY key = 0;
            RegCreateKeyExA(root, "key" + QByteArray::number(i), KEY_ALL_ACCESS, &key);
            RegSetValueExA(key, {}, "value");
            RegCloseKey(key);
        }
        RegCloseKey(root);
    }
    state.counters["keys"] = double(state.range(0));
}

} // namespace

BENCHMARK(ReadAnExport)->Arg(1600)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(ChangeOneValue)->Arg(1600)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(MakeKeysInOneSession)->Arg(8000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    setDataFolderSource([] { return folder().path(); });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
