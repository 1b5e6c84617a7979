// libFuzzer target for the registry stand-in: any bytes as Classes.reg must read without a fault,
// what the program then writes must read back exactly (whatever the file held before), and a
// second write of the same must change nothing. Built and run by scripts/fuzz.

#include "FuzzCheck.h"

#include "Registry.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

using namespace Registry;

namespace {

QTemporaryDir* folder = nullptr;

QString file() {
    return folder->path() + QStringLiteral("/Classes.reg");
}

QByteArray readAll() {
    QFile in(file());
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

QByteArray valueOf(const QByteArray& path, const QByteArray& name = {}) {
    HKEY key = 0;
    QByteArray value;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, name, &value);
        RegCloseKey(key);
    }
    return value;
}

// Reads every key below key, a bounded number of them.
void walk(HKEY key, int depth, int& budget) {
    for (const QByteArray& name : subKeyNames(key)) {
        if (--budget < 0 || depth > 8)
            return;
        HKEY child = 0;
        if (RegOpenKeyExA(key, name, KEY_READ, &child) != ERROR_SUCCESS)
            continue;
        QByteArray value;
        RegQueryValueExA(child, {}, &value);
        walk(child, depth + 1, budget);
        RegCloseKey(child);
    }
}

constexpr char Command[] = "\"/opt/a\nb \\\"c\\\"/viewer\" \"%L\"";

void writeOurKeys() {
    TRegistry registry;
    FUZZ_CHECK(registry.OpenKey("\\.nfo", true));
    registry.WriteString({}, "nfo_file");
    FUZZ_CHECK(registry.OpenKey("\\nfo_file\\shell\\open\\command", true));
    registry.WriteString({}, Command);
    registry.CloseKey();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = new QTemporaryDir;
    setDataFolderSource([] { return folder->path(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        QFile out(file());
        out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        out.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    HKEY root = 0;
    FUZZ_CHECK(RegOpenKeyExA(HKEY_CLASSES_ROOT, {}, KEY_READ, &root) == ERROR_SUCCESS);
    int budget = 2000;
    walk(root, 0, budget);
    RegCloseKey(root);

    writeOurKeys();
    FUZZ_CHECK(valueOf(".nfo") == "nfo_file");
    FUZZ_CHECK(valueOf("nfo_file\\shell\\open\\command") == Command);
    const QByteArray written = readAll();
    writeOurKeys();
    FUZZ_CHECK(readAll() == written);
    return 0;
}
