#include "Profile.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <sys/stat.h>

#include <gtest/gtest.h>

class ProfileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("settings.ini"));
    QByteArray read(const char* section, const char* key, const char* fallback = "default") {
        return Profile::readString(file, section, key, fallback);
    }
};

TEST_F(ProfileTest, ReadsHandEditedFilesTheWindowsWay) {
    writeFile(file, "; a comment\r\n"
                    "  [ User ]  \n"
                    "\tFontName =  Terminal  \r"
                    "quoted=\"  spaced  \"\r\n"
                    "single='x'\r\n"
                    "unbalanced=\"x'\r\n"
                    "eq=a=b\r\n"
                    "fontname=second\r\n"
                    "no equals sign\r\n"
                    "[user]\r\n"
                    "Extra=from the duplicate section\r\n"
                    "[Other]\r\n"
                    "key=other\r\n");
    EXPECT_EQ(read("USER", "FONTNAME"), QByteArray("Terminal"));
    EXPECT_EQ(read("User", "quoted"), QByteArray("  spaced  "));
    EXPECT_EQ(read("User", "single"), QByteArray("x"));
    EXPECT_EQ(read("User", "unbalanced"), QByteArray("\"x'"));
    EXPECT_EQ(read("User", "eq"), QByteArray("a=b"));
    EXPECT_EQ(read("User", "Extra"), QByteArray("default")) << "the first section wins";
    EXPECT_EQ(read("Other", "key"), QByteArray("other"));
    EXPECT_EQ(read("User", "missing"), QByteArray("default"));
    EXPECT_EQ(read("Missing", "key"), QByteArray("default"));
    EXPECT_EQ(Profile::readString(dir.filePath(QStringLiteral("none.ini")), "User", "key", "d"),
              QByteArray("d"));
    EXPECT_EQ(Profile::readString(dir.path(), "User", "key", "d"), QByteArray("d")) << "a folder";
}

TEST_F(ProfileTest, ValuesAreReadUpTo2047Characters) {
    writeFile(file, "[S]\r\nlong=" + QByteArray(100 * 1024, 'v') + "\r\n");
    EXPECT_EQ(read("S", "long"), QByteArray(Profile::MaxValueLength, 'v'));
}

TEST_F(ProfileTest, WritesChangeOnlyWhatTheyMust) {
    const QByteArray original = "; keep me\r\n"
                                "[User]\n"
                                "  FontSize = 12  \n"
                                "junk line\n"
                                "\n"
                                "[Foreign]\r\n"
                                "a=1";
    writeFile(file, original);
    ASSERT_TRUE(Profile::writeString(file, "user", "fontsize", "9"));
    EXPECT_EQ(readFile(file), QByteArray("; keep me\r\n[User]\nfontsize=9\njunk line\n\n"
                                         "[Foreign]\r\na=1"));
    ASSERT_TRUE(Profile::writeString(file, "User", "FontName", "Terminal"));
    EXPECT_EQ(readFile(file), QByteArray("; keep me\r\n[User]\nfontsize=9\njunk line\n"
                                         "FontName=Terminal\r\n\n[Foreign]\r\na=1"));
    ASSERT_TRUE(Profile::writeString(file, "Foreign", "b", "2"));
    ASSERT_TRUE(Profile::writeString(file, "WindowState", "left", "290"));
    EXPECT_EQ(readFile(file), QByteArray("; keep me\r\n[User]\nfontsize=9\njunk line\n"
                                         "FontName=Terminal\r\n\n[Foreign]\r\na=1\r\nb=2\r\n"
                                         "[WindowState]\r\nleft=290\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("settings.ini")});
}

TEST_F(ProfileTest, ANewFileHoldsTheSectionsInTheOrderWritten) {
    ASSERT_TRUE(Profile::writeString(file, "WindowState", "left", "1"));
    ASSERT_TRUE(Profile::writeString(file, "WindowState", "top", "2"));
    ASSERT_TRUE(Profile::writeString(file, "User", "mnuWrap", "0"));
    EXPECT_EQ(readFile(file),
              QByteArray("[WindowState]\r\nleft=1\r\ntop=2\r\n[User]\r\nmnuWrap=0\r\n"));
}

TEST_F(ProfileTest, RefusedWritesReportFailureAndChangeNothing) {
    EXPECT_FALSE(Profile::writeString(dir.path(), "S", "k", "v")) << "a folder";
    EXPECT_FALSE(
        Profile::writeString(dir.filePath(QStringLiteral("no/such/folder.ini")), "S", "k", "v"));
    writeFile(file, "[S]\r\nk=old\r\n");
    QFile::setPermissions(file, QFile::ReadOwner);
    EXPECT_FALSE(Profile::writeString(file, "S", "k", "new"));
    EXPECT_EQ(read("S", "k"), QByteArray("old"));

    // A named pipe in the file's place reads as missing at once and is never replaced.
    const QString pipe = dir.filePath(QStringLiteral("pipe.ini"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(Profile::readString(pipe, "S", "k", "default"), QByteArray("default"));
    EXPECT_FALSE(Profile::writeString(pipe, "S", "k", "v"));
    EXPECT_FALSE(QFileInfo(pipe).isFile());
}

TEST_F(ProfileTest, TwoProcessesWritingAtOnceKeepEveryKey) {
    constexpr int Keys = 300;
    EXPECT_TRUE(runInTwoProcesses([this](int child) {
        for (int i = 0; i < Keys; ++i) {
            if (!Profile::writeString(file, "S", "k" + QByteArray::number(child * Keys + i), "v"))
                return false;
        }
        return true;
    }));
    EXPECT_EQ(readFile(file).count("=v"), 2 * Keys) << "updates were lost";
}

TEST_F(ProfileTest, RandomTextsNeitherCrashNorLoseWrites) {
    // Garbage of every kind: brackets, equals signs, quotes, line ends, NUL and high bytes.
    const char alphabet[] = "[]=;\"' \t\r\nabcKEY\x00\xFF";
    QRandomGenerator random(4711);
    for (int round = 0; round < 400; ++round) {
        QByteArray text;
        const int length = random.bounded(0, 400);
        for (int i = 0; i < length; ++i)
            text += alphabet[random.bounded(int(sizeof alphabet - 1))];
        writeFile(file, text);
        read("a", "key");
        ASSERT_TRUE(Profile::writeString(file, "Section", "Key", "value"));
        ASSERT_EQ(read("section", "key"), QByteArray("value")) << text.toHex().toStdString();
        ASSERT_TRUE(Profile::writeString(file, "Section", "Key", "other"));
        ASSERT_EQ(read("SECTION", "KEY"), QByteArray("other")) << text.toHex().toStdString();
    }
}
