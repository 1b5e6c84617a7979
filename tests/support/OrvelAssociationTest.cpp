#include "OrvelAssociation.h"
#include "DesktopAssociations.h"
#include "Profile.h"
#include "SystemInfo.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace Registry;

namespace {

QByteArray valueOf(const QByteArray& path) {
    TRegistry registry(KEY_READ);
    return registry.OpenKeyReadOnly(path) ? registry.ReadString(QByteArray())
                                          : QByteArray("<none>");
}

QByteArrayList subKeys(const QByteArray& path) {
    HKEY key = 0;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    const QByteArrayList names = subKeyNames(key);
    RegCloseKey(key);
    return names;
}

} // namespace

class AssociationTest : public ::testing::Test {
protected:
    QByteArray program = "/opt/Zelvan Tools/zelvan-rid-evodad";
    void SetUp() override {
        SystemInfo::setFactsSource([this] {
            SystemInfo::Facts facts = SystemInfo::realFacts();
            facts.programPath = QString::fromLocal8Bit(program);
            return facts;
        });
    }
};

TEST_F(AssociationTest, DoubleClickAssociationWritesTheFiveValues) {
    AssociateFileType(".nfo", "Zelvan RID Evodad", false);
    EXPECT_EQ(valueOf(".nfo"), QByteArray("nfo_file"));
    EXPECT_EQ(valueOf("nfo_file"), QByteArray("Zelvan RID Evodad"));
    EXPECT_EQ(valueOf("nfo_file\\shell"), QByteArray("open"));
    EXPECT_EQ(valueOf("nfo_file\\shell\\open\\command"), '"' + program + "\" \"%L\"")
        << "the program path is quoted";
    EXPECT_EQ(valueOf("nfo_file\\DefaultIcon"), program + ",0");
    EXPECT_TRUE(OutsideWorld::get().messages.isEmpty());

    AssociateFileType("diz", "D", false);
    EXPECT_EQ(valueOf("diz"), QByteArray("iz_file")) << "the first character is always dropped";
}

TEST_F(AssociationTest, AnExtensionOfAnotherTypeIsTakenOverAndThatTypeLeftAlone) {
    ASSERT_TRUE(WriteRegistryString(HKEY_CLASSES_ROOT, ".nfo", {}, "other_type", true, true));
    ASSERT_TRUE(WriteRegistryString(HKEY_CLASSES_ROOT, "other_type\\shell\\open\\command", {},
                                    "other %1", false, true));
    AssociateFileType(".nfo", "Zelvan RID Evodad", false);
    EXPECT_EQ(valueOf(".nfo"), QByteArray("nfo_file"));
    EXPECT_EQ(valueOf("other_type\\shell\\open\\command"), QByteArray("other %1"));
}

TEST_F(AssociationTest, RightClickVerbNeedsARegisteredTypeAndLeavesTheDefault) {
    AddShellMenuEntry("Open with Zelvan RID Evodad", ".nfo");
    EXPECT_EQ(valueOf(".nfo"), QByteArray("<none>")) << "nothing is written";

    AssociateFileType(".nfo", "Zelvan RID Evodad", false);
    for (int round = 0; round < 2; ++round) {
        AddShellMenuEntry("Open with Zelvan RID Evodad", ".nfo");
        EXPECT_EQ(subKeys("nfo_file\\shell"),
                  (QByteArrayList{"open", "Open with Zelvan RID Evodad"}));
        EXPECT_EQ(valueOf("nfo_file\\shell"), QByteArray("open"));
        EXPECT_EQ(valueOf("nfo_file\\shell\\Open with Zelvan RID Evodad"),
                  QByteArray("&Open with Zelvan RID Evodad"));
        EXPECT_EQ(valueOf("nfo_file\\shell\\Open with Zelvan RID Evodad\\command"),
                  '"' + program + "\" \"%1\"");
    }
}

TEST_F(AssociationTest, ATypeWithoutAShellKeyGetsNoVerb) {
    ASSERT_TRUE(WriteRegistryString(HKEY_CLASSES_ROOT, ".txt", {}, "txtfile", true, true));
    AddShellMenuEntry("Verb", "\".txt\", .nfo");
    EXPECT_EQ(subKeys(".txt"), QByteArrayList{});
    EXPECT_EQ(subKeys("txtfile"), QByteArrayList{});
}

TEST_F(AssociationTest, WithoutRightsNothingIsWrittenAndNothingShown) {
    QDir().mkpath(dataFolder());
    writeFile(dataFolder() + QStringLiteral("/Classes.reg"), "REGEDIT4\r\n");
    QFile::setPermissions(dataFolder() + QStringLiteral("/Classes.reg"), QFile::ReadOwner);
    AssociateFileType(".nfo", "Zelvan RID Evodad", true);
    AddShellMenuEntry("Verb", ".nfo");
    EXPECT_EQ(readFile(dataFolder() + QStringLiteral("/Classes.reg")), QByteArray("REGEDIT4\r\n"));
    EXPECT_TRUE(OutsideWorld::get().messages.isEmpty());
}

TEST(ShowErrorText, ExpandsMarkersAndSkipsEmptyTexts) {
    ShowErrorText(QString());
    EXPECT_TRUE(OutsideWorld::get().messages.isEmpty());
    ShowErrorText(QStringLiteral("one CRLF two"));
    EXPECT_EQ(OutsideWorld::get().messages, QStringList{QStringLiteral("one \r\ntwo")});
    EXPECT_EQ(OutsideWorld::get().messageCaptions, QStringList{QStringLiteral("Error")});
    EXPECT_EQ(ExpandLineBreaks(QStringLiteral("no marker")), QStringLiteral("no marker"));
    EXPECT_EQ(ExpandLineBreaks(QStringLiteral("a CRLF CRLF b")), QStringLiteral("a \r\n\r\nb"));
}

TEST(SplitCommaText, CommasBlanksAndQuotes) {
    EXPECT_EQ(SplitCommaText(".nfo"), QByteArrayList{".nfo"});
    EXPECT_EQ(SplitCommaText(" .nfo, .diz .txt,,"), (QByteArrayList{".nfo", ".diz", ".txt"}));
    EXPECT_EQ(SplitCommaText("\"a b,c\",\"say \"\"hi\"\"\""),
              (QByteArrayList{"a b,c", "say \"hi\""}));
    EXPECT_EQ(SplitCommaText(""), QByteArrayList{});
}

TEST_F(AssociationTest, CraftedFolderNamesAreWrittenExactlyOrGetNoDesktopEntry) {
    const QString entry = DesktopAssociations::folders().dataHome +
                          QStringLiteral("/applications/") +
                          QString::fromLatin1(DesktopAssociations::ProgramEntry);
    const QString registryFile = dataFolder() + QStringLiteral("/Classes.reg");
    const struct {
        QByteArray folder;
        QByteArray exec; // empty: no desktop entry may be written
    } cases[] = {
        {"/opt/100% $(touch pwned) `id`",
         "\"/opt/100%% \\\\$(touch pwned) \\\\`id\\\\`/viewer\" %f"},
        {"/opt/evil\" \"arg", {}},
        {"/opt/line\nbreak", {}},
    };
    for (const auto& [folder, exec] : cases) {
        program = folder + "/viewer";
        QFile::remove(entry);
        AssociateFileType(".nfo", "Zelvan RID Evodad", false);
        const QByteArray written = readFile(registryFile);
        AssociateFileType(".nfo", "Zelvan RID Evodad", false);
        EXPECT_EQ(readFile(registryFile), written) << "the export grows at every run";
        EXPECT_EQ(valueOf("nfo_file\\shell\\open\\command"), '"' + program + "\" \"%L\"");
        DesktopAssociations::reflect({});
        if (exec.isEmpty()) {
            EXPECT_FALSE(QFile::exists(entry)) << program.constData();
        } else {
            EXPECT_TRUE(readFile(entry).contains(QByteArray("\nExec=" + exec + "\n")))
                << readFile(entry).constData();
        }
    }
}

TEST_F(AssociationTest, TwoViewersAssociatingAtOnceBothKeepTheirAssociation) {
    const DesktopAssociations::Folders f = DesktopAssociations::folders();
    const QString mimeapps = f.configHome + QStringLiteral("/mimeapps.list");
    for (int round = 0; round < 20; ++round) {
        for (const QString& folder : {f.dataHome, f.configHome})
            QDir(folder).removeRecursively();
        AssociateFileType(".nfo", "Zelvan RID Evodad", false); // the type the verb goes on
        ASSERT_TRUE(runInTwoProcesses([](int child) {
            // No desktop tools are started from the forked copies of this test program.
            qputenv("PATH", "");
            if (child == 0) {
                AssociateFileType(".nfo", "Zelvan RID Evodad", false);
                AssociateFileType(".diz", "Zelvan RID Evodad", false);
            } else {
                AddShellMenuEntry("Open with Zelvan RID Evodad", ".nfo");
            }
            DesktopAssociations::reflect({});
            return true;
        }));
        EXPECT_EQ(valueOf(".diz"), QByteArray("diz_file")) << "round " << round;
        EXPECT_EQ(valueOf("nfo_file\\shell\\Open with Zelvan RID Evodad\\command"),
                  '"' + program + "\" \"%1\"")
            << round;
        EXPECT_EQ(Profile::readString(mimeapps, "Default Applications", "text/x-diz", {}),
                  QByteArray(DesktopAssociations::ProgramEntry))
            << round;
        EXPECT_TRUE(Profile::readString(mimeapps, "Added Associations", "text/x-nfo", {})
                        .contains(DesktopAssociations::VerbEntry))
            << round;
    }
}
