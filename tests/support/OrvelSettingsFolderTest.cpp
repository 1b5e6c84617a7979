#include "OrvelSettingsFolder.h"
#include "OrvelUtils.h"
#include "SystemInfo.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

constexpr char Sub[] = "Zelvan RID Evodad";

} // namespace

// The decision between the program folder and the application-data folder, played through the
// system-facts seam on a temporary "program folder" and "application-data folder".
class SettingsFolderTest : public ::testing::Test {
protected:
    QTemporaryDir program;
    QTemporaryDir appData;
    SystemInfo::Facts facts;

    void SetUp() override {
        facts.programPath = program.filePath(QStringLiteral("zelvan-rid-evodad"));
        facts.appDataFolder = appData.path();
        use();
    }
    void use() {
        SystemInfo::setFactsSource([this] { return facts; });
    }
    QString programFolder() const { return program.path() + u'/'; }
    QString userFolder() const { return appData.path() + u'/' + QString::fromLatin1(Sub) + u'/'; }
    QString probe() const { return programFolder() + QStringLiteral("WriteAccessTestFile.$$$"); }
};

struct Decision {
    const char* name;
    int platformId, major, minor;
    bool elevated, member;
    bool programFolder;
};

class SettingsFolderDecision : public SettingsFolderTest,
                               public ::testing::WithParamInterface<Decision> {};

TEST_P(SettingsFolderDecision, PicksTheRightFolderAndCreatesIt) {
    const Decision d = GetParam();
    facts.platformId = d.platformId;
    facts.majorVersion = d.major;
    facts.minorVersion = d.minor;
    facts.elevated = d.elevated;
    facts.adminMember = d.member;
    const QString folder = GetSettingsFolder(QString::fromLatin1(Sub));
    EXPECT_EQ(folder, d.programFolder ? programFolder() : userFolder());
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_FALSE(QFile::exists(probe())) << "the probe file is deleted again";
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsFolderDecision,
    ::testing::Values(Decision{"Win9xAlwaysProgramFolder", 1, 4, 10, false, false, true},
                      Decision{"NtXpAdministrator", 2, 5, 1, false, true, true},
                      Decision{"NtXpNotAdministrator", 2, 5, 1, true, false, false},
                      Decision{"VistaElevated", 2, 6, 0, true, false, true},
                      Decision{"VistaMemberNotElevated", 2, 6, 1, false, true, false},
                      Decision{"Win7Elevated", 2, 7, 0, true, true, true},
                      Decision{"AboveSevenIsUnknownSoMembershipDecides", 2, 10, 0, true, false,
                               false},
                      Decision{"AboveSevenMember", 2, 10, 0, false, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsFolderTest, AnExistingProbeFileIsLeftAndAReadOnlyOneFailsTheProbe) {
    facts.majorVersion = 5;
    facts.adminMember = true;
    writeFile(probe(), "mine");
    EXPECT_EQ(GetSettingsFolder(QString::fromLatin1(Sub)), programFolder());
    EXPECT_EQ(readFile(probe()), QByteArray("mine"));

    QFile::setPermissions(probe(), QFile::ReadOwner);
    EXPECT_EQ(GetSettingsFolder(QString::fromLatin1(Sub)), userFolder());
    EXPECT_TRUE(QFile::exists(probe()));
}

TEST_F(SettingsFolderTest, WithoutAnApplicationDataFolderTheSubFolderIsRelative) {
    facts.appDataFolder.clear();
    QDir::setCurrent(appData.path());
    EXPECT_EQ(GetSettingsFolder(QString::fromLatin1(Sub)), QString::fromLatin1(Sub) + u'/');
    EXPECT_TRUE(QFileInfo(appData.filePath(QString::fromLatin1(Sub))).isDir());
    EXPECT_EQ(GetSpecialFolder(CSIDL_APPDATA), QString());
}

TEST_F(SettingsFolderTest, CanWriteToProbesFilesAndFolders) {
    EXPECT_TRUE(CanWriteTo(program.filePath(QStringLiteral("new.txt"))));
    EXPECT_FALSE(QFile::exists(program.filePath(QStringLiteral("new.txt"))));
    EXPECT_TRUE(CanWriteTo(program.path()));
    EXPECT_FALSE(QFile::exists(program.filePath(QStringLiteral("WriteAccessTest.DeleteMe"))));
    EXPECT_FALSE(CanWriteTo(program.filePath(QStringLiteral("missing/new.txt"))));
}

TEST_F(SettingsFolderTest, FolderRoutines) {
    const QString deep = appData.path() + QStringLiteral("/one/two/three/");
    EXPECT_TRUE(ForceFolder(deep));
    EXPECT_TRUE(QFileInfo(deep).isDir());
    EXPECT_TRUE(ForceFolder(QStringLiteral("/")));
    EXPECT_FALSE(ForceFolder(QString()));

    EXPECT_TRUE(FolderExists(appData.path()));
    EXPECT_FALSE(FolderExists(appData.path() + u' '));
    writeFile(appData.filePath(QStringLiteral("file")), "x");
    EXPECT_FALSE(FolderExists(appData.filePath(QStringLiteral("file"))));
    EXPECT_TRUE(IsExistingFolder(appData.path()));

    EXPECT_EQ(WithTrailingBackslash(QString()), QString());
    EXPECT_EQ(WithTrailingBackslash(QStringLiteral("/a/")), QStringLiteral("/a/"));
    EXPECT_EQ(WithTrailingBackslash(QStringLiteral("/a")), QStringLiteral("/a/"));
}

TEST_F(SettingsFolderTest, VersionCodesAndRights) {
    const struct {
        int id, major, minor, code;
    } versions[] = {{1, 4, 0, Win95},   {1, 4, 10, Win98},        {1, 4, 90, WinMe},
                    {1, 4, 5, Unknown}, {2, 4, 0, WinNT4},        {2, 5, 0, Win2000},
                    {2, 5, 1, WinXP},   {2, 5, 2, WinServer2003}, {2, 6, 3, WinVista},
                    {2, 7, 0, Win7},    {2, 8, 0, Unknown}};
    for (const auto& v : versions) {
        facts.platformId = v.id;
        facts.majorVersion = v.major;
        facts.minorVersion = v.minor;
        EXPECT_EQ(GetWindowsVersionCode(), v.code) << v.id << ' ' << v.major << '.' << v.minor;
    }
    facts.platformId = 1;
    EXPECT_TRUE(HasAdminRights());
    EXPECT_TRUE(IsAdminMember());
    EXPECT_TRUE(IsWin9x());
    EXPECT_FALSE(IsWinNT());
}

TEST(SystemFacts, ThisSystemIsTheNtFamilyAtVersionSix) {
    const SystemInfo::Facts facts = SystemInfo::realFacts();
    EXPECT_EQ(facts.platformId, 2);
    EXPECT_EQ(facts.majorVersion, 6);
    EXPECT_EQ(facts.elevated, ::geteuid() == 0);
    if (::getuid() == 0) {
        EXPECT_TRUE(facts.adminMember);
    }
    EXPECT_TRUE(facts.programPath.endsWith(QStringLiteral("/support_tests")));
}
