#include "Registry.h"
#include "Errors.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace Registry;

class RegistryTest : public ::testing::Test {
protected:
    QString file() const { return dataFolder() + QStringLiteral("/Classes.reg"); }

    QByteArray defaultOf(const QByteArray& path) {
        HKEY key = 0;
        QByteArray value;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path, KEY_READ, &key) == ERROR_SUCCESS) {
            RegQueryValueExA(key, QByteArray(), &value);
            RegCloseKey(key);
        }
        return value;
    }
};

TEST_F(RegistryTest, KeysMatchInAnyCaseKeepTheirFirstCaseAndPersistAsAnExport) {
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "Nfo_File\\Shell\\open", KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, QByteArray(), "\"C:\\x\" \"%L\""), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Named", "v"), ERROR_SUCCESS);
    EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

    EXPECT_EQ(readFile(file()), QByteArray("REGEDIT4\r\n"
                                           "\r\n[HKEY_CLASSES_ROOT\\Nfo_File]\r\n"
                                           "\r\n[HKEY_CLASSES_ROOT\\Nfo_File\\Shell]\r\n"
                                           "\r\n[HKEY_CLASSES_ROOT\\Nfo_File\\Shell\\open]\r\n"
                                           "@=\"\\\"C:\\\\x\\\" \\\"%L\\\"\"\r\n"
                                           "\"Named\"=\"v\"\r\n"));
    EXPECT_EQ(defaultOf("NFO_FILE\\SHELL\\OPEN"), QByteArray("\"C:\\x\" \"%L\""));
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "nfo_file", KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(subKeyNames(key), QByteArrayList{"Shell"});
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "missing", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, AKeyOpenedForReadingCanNeitherCreateNorSet) {
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".nfo", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ".nfo", KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, QByteArray(), "x"), ERROR_ACCESS_DENIED);
    HKEY sub = 0;
    EXPECT_EQ(RegCreateKeyExA(key, "child", KEY_READ, &sub), ERROR_ACCESS_DENIED);
    QByteArray value;
    EXPECT_EQ(RegQueryValueExA(key, QByteArray(), &value), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(RegistryTest, AFileTheUserCannotWriteCannotBeOpenedForWriting) {
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".nfo", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    QFile::setPermissions(file(), QFile::ReadOwner);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ".nfo", KEY_ALL_ACCESS, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".diz", KEY_ALL_ACCESS, &key),
              ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ".nfo", KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(RegistryTest, ADamagedFileIsReadAsFarAsItParsesAndTheRestIsKept) {
    QDir().mkpath(dataFolder());
    const QByteArray damaged = "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\.nfo]\r\n@=\"nfo_file\"\r\n"
                               "\r\n[HKEY_CLASSES_ROOT\\.diz]\r\n@=\"unterminated\r\n"
                               "[HKEY_CLASSES_ROOT\\.txt]\r\n@=\"txtfile\"\r\n";
    writeFile(file(), damaged);
    EXPECT_EQ(defaultOf(".nfo"), QByteArray("nfo_file"));
    EXPECT_EQ(defaultOf(".txt"), QByteArray()) << "after the damage nothing is read";
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".new", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    const QByteArray written = readFile(file());
    EXPECT_TRUE(
        written.endsWith("@=\"unterminated\r\n[HKEY_CLASSES_ROOT\\.txt]\r\n@=\"txtfile\"\r\n"))
        << written.toStdString();
    EXPECT_TRUE(written.contains("[HKEY_CLASSES_ROOT\\.new]"));

    writeFile(file(), QByteArray("\xFF\xFE garbage \0\0 [", 16));
    EXPECT_EQ(defaultOf(".nfo"), QByteArray());

    // A named pipe in its place reads as empty at once, and nothing is written to it.
    QFile::remove(file());
    ASSERT_EQ(::mkfifo(QFile::encodeName(file()).constData(), 0600), 0);
    EXPECT_EQ(defaultOf(".nfo"), QByteArray());
    EXPECT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".nfo", KEY_ALL_ACCESS, &key),
              ERROR_ACCESS_DENIED);
    EXPECT_FALSE(QFileInfo(file()).isFile());
}

TEST_F(RegistryTest, TheDesktopsTypesShowBelowTheFileAndOnlyWhatTheProgramWritesIsKept) {
    setDesktopTypesSource([] {
        return std::vector<DesktopType>{{".nfo", "text/x-nfo", "\"/usr/bin/other\" \"%1\""},
                                        {".txt", "text/plain", {}},
                                        {".diz", "text/x-diz", {}}};
    });
    for (int load = 0; load < 2; ++load) {
        EXPECT_EQ(defaultOf(".NFO"), QByteArray("text/x-nfo"));
        EXPECT_EQ(defaultOf("text/x-nfo\\shell\\open\\command"),
                  QByteArray("\"/usr/bin/other\" \"%1\""));
        HKEY key = 0;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "text/x-nfo\\shell\\Verb\\command",
                                  KEY_ALL_ACCESS, &key),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, {}, "verb %1"), ERROR_SUCCESS);
        RegCloseKey(key);
        ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, {}, KEY_READ, &key), ERROR_SUCCESS);
        EXPECT_TRUE(subKeyNames(key).contains(".nfo"));
        RegCloseKey(key);
    }
    const QByteArray written = readFile(file());
    EXPECT_TRUE(written.contains("[HKEY_CLASSES_ROOT\\text/x-nfo\\shell\\Verb\\command]\r\n"
                                 "@=\"verb %1\""));
    EXPECT_FALSE(written.contains(".nfo")) << written.toStdString();
    EXPECT_FALSE(written.contains("open")) << "the view's verb is not written";

    // A key of the program's own hides the view, written or merely created, now and later.
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\.txt", true));
    registry.WriteString({}, "txtfile");
    ASSERT_TRUE(registry.OpenKey("\\.diz", true));
    registry.CloseKey();
    for (int load = 0; load < 2; ++load) {
        EXPECT_EQ(defaultOf(".txt"), QByteArray("txtfile"));
        EXPECT_EQ(defaultOf(".diz"), QByteArray());
    }
    EXPECT_TRUE(readFile(file()).contains("[HKEY_CLASSES_ROOT\\.diz]\r\n"));
}

TEST_F(RegistryTest, WhatCouldNotBeReadNeverOverridesWhatTheProgramWrites) {
    QDir().mkpath(dataFolder());
    const QByteArray nfo = "[HKEY_CLASSES_ROOT\\.nfo]\r\n@=\"other_file\"\r\n";
    const std::pair<QByteArray, QByteArray> unreadable[] = {
        {nfo, nfo}, // no header: all of it is kept, none of it read
        {"REGEDIT4\r\n@=\"loose\"\r\n" + nfo, "@=\"loose\"\r\n" + nfo},
        {"REGEDIT4\r\n[HKEY_CLASSES_ROOT\\.x]\r\n@=\"cut\r\n" + nfo, "@=\"cut\r\n" + nfo},
    };
    for (const auto& [found, kept] : unreadable) {
        writeFile(file(), found);
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("\\.nfo", true));
        registry.WriteString({}, "nfo_file");
        registry.CloseKey();
        const QByteArray written = readFile(file());
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(defaultOf(".nfo"), QByteArray("nfo_file")) << found.constData();
            ASSERT_TRUE(registry.OpenKey("\\.nfo", true));
            registry.WriteString({}, "nfo_file");
            registry.CloseKey();
            EXPECT_EQ(readFile(file()), written) << "a rewrite changes nothing";
        }
        EXPECT_TRUE(written.endsWith(kept)) << "what was found is kept: " << written.constData();
    }
}

TEST_F(RegistryTest, ControlBytesInValuesRoundTripAndValuesOnTheRootAreKept) {
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, {}, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "OnRoot", "kept"), ERROR_SUCCESS);
    HKEY sub = 0;
    EXPECT_EQ(RegCreateKeyExA(key, "bad\nname", KEY_ALL_ACCESS, &sub), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key, "bad\rname", "x"), ERROR_INVALID_PARAMETER);
    ASSERT_EQ(RegCreateKeyExA(key, "cmd", KEY_ALL_ACCESS, &sub), ERROR_SUCCESS);
    const QByteArray command = "\"/opt/a\nb \"c\"\\\x01/viewer\" \"%L\"";
    ASSERT_EQ(RegSetValueExA(sub, {}, command), ERROR_SUCCESS);
    RegCloseKey(sub);
    RegCloseKey(key);
    const QByteArray written = readFile(file());
    EXPECT_EQ(written.count('\n'), 7) << "one line per line of the export: " << written.constData();
    EXPECT_EQ(defaultOf("cmd"), command);
    QByteArray onRoot;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, {}, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "onroot", &onRoot), ERROR_SUCCESS);
    EXPECT_EQ(onRoot, QByteArray("kept"));
    ASSERT_EQ(RegSetValueExA(key, "other", "v"), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_TRUE(readFile(file()).contains("[HKEY_CLASSES_ROOT]\r\n\"OnRoot\"=\"kept\""));
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceKeepEveryKey) {
    constexpr int Keys = 300;
    EXPECT_TRUE(runInTwoProcesses([](int child) {
        for (int i = 0; i < Keys; ++i) {
            HKEY key = 0;
            if (RegCreateKeyExA(HKEY_CLASSES_ROOT, "k" + QByteArray::number(child * Keys + i),
                                KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
                return false;
            RegCloseKey(key);
        }
        return true;
    }));
    HKEY root = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, {}, KEY_READ, &root), ERROR_SUCCESS);
    EXPECT_EQ(subKeyNames(root).size(), 2 * Keys) << "updates were lost";
    RegCloseKey(root);
}

TEST(RegistryClass, OpensRelativeToTheCurrentKeyOrFromTheRoot) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\a\\b", true));
    registry.WriteString("", "value of b");
    ASSERT_TRUE(registry.OpenKey("c", true));
    registry.WriteString("name", "value of c");
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\A\\B\\C"));
    EXPECT_EQ(registry.Access, std::uint32_t(KEY_READ));
    EXPECT_EQ(registry.ReadString("NAME"), QByteArray("value of c"));
    try {
        registry.WriteString("name", "x");
        FAIL() << "no error";
    } catch (const UserError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Failed to set data for 'name'"));
    }
    EXPECT_FALSE(registry.OpenKey("\\missing", false));
}
