#include "MainWindowFixture.h"

#include "DesktopAssociations.h"
#include "OrvelUtils.h"
#include "Profile.h"
#include "Registry.h"
#include "SystemInfo.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>

namespace {

QString xdgMime(const QStringList& arguments) {
    const DesktopAssociations::Folders f = DesktopAssociations::folders();
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), f.dataHome);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), f.configHome);
    env.insert(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral("/usr/share"));
    env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    env.remove(QStringLiteral("DESKTOP_SESSION"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("xdg-mime"), arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// Every file the association wrote, with its content.
std::map<QString, QByteArray> snapshot() {
    std::map<QString, QByteArray> files;
    const DesktopAssociations::Folders f = DesktopAssociations::folders();
    for (const QString& root : {f.dataHome, f.configHome, Registry::dataFolder()}) {
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (!path.contains(QStringLiteral("/mime/")) || path.endsWith(QStringLiteral(".xml")))
                files[path] = readFile(path);
        }
    }
    return files;
}

} // namespace

class AssociationMenuTest : public MainWindowTest {
protected:
    QString mimeapps() const {
        return DesktopAssociations::folders().configHome + QStringLiteral("/mimeapps.list");
    }
    QByteArray mimeappsValue(const char* section, const char* key) const {
        return Profile::readString(mimeapps(), section, key, "<none>");
    }
};

TEST_F(AssociationMenuTest, DoubleClickItemMakesTheProgramTheDesktopDefault) {
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty())
        GTEST_SKIP() << "xdg-utils is not installed";
    start();
    ui()->mnuAssoc2->trigger();
    const QByteArray registry = readFile(Registry::dataFolder() + QStringLiteral("/Classes.reg"));
    EXPECT_TRUE(registry.contains("[HKEY_CLASSES_ROOT\\.nfo]\r\n@=\"nfo_file\""));
    EXPECT_TRUE(registry.contains("[HKEY_CLASSES_ROOT\\.diz]\r\n@=\"diz_file\""));

    EXPECT_EQ(mimeappsValue("Default Applications", "text/x-nfo"),
              QByteArray(DesktopAssociations::ProgramEntry));
    EXPECT_EQ(mimeappsValue("Default Applications", "text/x-diz"),
              QByteArray(DesktopAssociations::ProgramEntry));
    EXPECT_EQ(
        xdgMime({QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/x-nfo")}),
        QString::fromLatin1(DesktopAssociations::ProgramEntry));

    const QString entry = DesktopAssociations::folders().dataHome +
                          QStringLiteral("/applications/") +
                          QString::fromLatin1(DesktopAssociations::ProgramEntry);
    const QByteArray desktop = readFile(entry);
    const QByteArray exec = "Exec=" + GetProgramFolder().toLocal8Bit() + "app_tests %f\n";
    EXPECT_TRUE(desktop.contains(exec)) << desktop.toStdString();
    EXPECT_TRUE(desktop.contains("MimeType=text/x-diz;text/x-nfo;\n"));
    EXPECT_TRUE(QFile::exists(DesktopAssociations::folders().dataHome +
                              QStringLiteral("/mime/packages/zelvan-rid-evodad.xml")));

    EXPECT_FALSE(readFile(mimeapps()).contains('\r')) << "desktop tools read LF lines";

    const auto before = snapshot();
    ui()->mnuAssoc2->trigger();
    EXPECT_EQ(snapshot(), before) << "a second run changes nothing";

    // The right-click verb is only added: the default stays the program.
    ui()->mnuAssoc1->trigger();
    EXPECT_EQ(
        xdgMime({QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/x-nfo")}),
        QString::fromLatin1(DesktopAssociations::ProgramEntry));
}

TEST_F(AssociationMenuTest, RightClickItemAddsTheVerbAndLeavesTheDefault) {
    start();
    ui()->mnuAssoc1->trigger();
    EXPECT_FALSE(QFile::exists(mimeapps())) << "nothing registered, nothing written";
    EXPECT_FALSE(QFile::exists(Registry::dataFolder() + QStringLiteral("/Classes.reg")));

    // Another program is the default; the verb must not change that.
    QDir().mkpath(DesktopAssociations::folders().configHome);
    Profile::writeString(mimeapps(), "Default Applications", "text/x-nfo", "other.desktop");
    Registry::TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\.nfo", true));
    registry.WriteString({}, "other_type");
    ASSERT_TRUE(registry.OpenKey("\\other_type\\shell\\open\\command", true));
    registry.WriteString({}, "other %1");
    registry.CloseKey();

    ui()->mnuAssoc1->trigger();
    EXPECT_EQ(mimeappsValue("Default Applications", "text/x-nfo"), QByteArray("other.desktop"));
    EXPECT_EQ(mimeappsValue("Added Associations", "text/x-nfo"),
              QByteArray(DesktopAssociations::VerbEntry) + ';');
    const QByteArray verb =
        readFile(DesktopAssociations::folders().dataHome + QStringLiteral("/applications/") +
                 QString::fromLatin1(DesktopAssociations::VerbEntry));
    EXPECT_TRUE(verb.contains("Name=Open with Zelvan RID Evodad\n")) << verb.toStdString();
    const auto before = snapshot();
    ui()->mnuAssoc1->trigger();
    EXPECT_EQ(snapshot(), before);
}

TEST(DesktopExec, QuotesThePathAndMapsTheFileArgument) {
    EXPECT_EQ(DesktopAssociations::execFromCommand("\"/opt/My Tools/viewer\" \"%L\""),
              QStringLiteral("\"/opt/My Tools/viewer\" %f"));
    EXPECT_EQ(DesktopAssociations::execFromCommand("\"/opt/viewer\" \"%1\""),
              QStringLiteral("/opt/viewer %f"));
    EXPECT_EQ(DesktopAssociations::execFromCommand("\"/a$b/100%\" \"%1\""),
              QStringLiteral("\"/a\\\\$b/100%%\" %f"));
}

TEST_F(AssociationMenuTest, RightClickItemOnAFreshAccountJoinsTheTypeTheDesktopKnows) {
    // A desktop of its own: the MIME database, applications and the user's defaults.
    const QString system = dir.filePath(QStringLiteral("system"));
    QDir().mkpath(system + QStringLiteral("/mime"));
    QDir().mkpath(system + QStringLiteral("/applications"));
    writeFile(system + QStringLiteral("/mime/globs2"),
              "# comment\n50:text/x-nfo:*.nfo\n50:text/x-diz:*.DIZ\n10:text/plain:*.txt\n"
              "10:text/x-any:*.[ab]\n");
    for (const char* name : {"other", "cached", "removed"})
        writeFile(system + QStringLiteral("/applications/%1.desktop").arg(QLatin1String(name)),
                  QByteArray("[Desktop Entry]\nType=Application\nExec=") + name +
                      " \"--view 1\" %F %i\n");
    writeFile(system + QStringLiteral("/applications/mimeinfo.cache"),
              "[MIME Cache]\ntext/plain=removed.desktop;cached.desktop;\n");
    const DesktopAssociations::Folders own = DesktopAssociations::folders();
    DesktopAssociations::setFoldersSource([own, system] {
        DesktopAssociations::Folders f = own;
        f.systemDataDirs = {system};
        return f;
    });
    QDir().mkpath(own.configHome);
    writeFile(mimeapps(), "[Default Applications]\ntext/x-nfo=missing.desktop;other.desktop;\n"
                          "[Removed Associations]\ntext/plain=removed.desktop;\n");

    std::map<QByteArray, std::pair<QByteArray, QByteArray>> known;
    for (const auto& type : DesktopAssociations::desktopTypes())
        known[type.extension] = {type.type, type.openCommand};
    using Known = std::pair<QByteArray, QByteArray>;
    EXPECT_EQ(known.size(), 3u);
    EXPECT_EQ(known[".nfo"], Known("text/x-nfo", "\"other\" \"--view 1\" \"%1\""));
    EXPECT_EQ(known[".diz"], Known("text/x-diz", {})) << "no application, no verb";
    EXPECT_EQ(known[".txt"], Known("text/plain", "\"cached\" \"--view 1\" \"%1\""));

    Registry::setDesktopTypesSource(DesktopAssociations::desktopTypes);
    start();
    ui()->mnuAssoc1->trigger();
    EXPECT_EQ(mimeappsValue("Default Applications", "text/x-nfo"),
              QByteArray("missing.desktop;other.desktop;"));
    EXPECT_EQ(mimeappsValue("Added Associations", "text/x-nfo"),
              QByteArray(DesktopAssociations::VerbEntry) + ';');
    const QByteArray registry = readFile(Registry::dataFolder() + QStringLiteral("/Classes.reg"));
    EXPECT_TRUE(registry.contains(
        "[HKEY_CLASSES_ROOT\\text/x-nfo\\shell\\Open with Zelvan RID Evodad\\command]"));
    EXPECT_FALSE(registry.contains(".nfo") || registry.contains("other"))
        << "nothing of the desktop's own is copied: " << registry.constData();
    const auto before = snapshot();
    ui()->mnuAssoc1->trigger();
    EXPECT_EQ(snapshot(), before);
}

TEST_F(AssociationMenuTest, TheCompanionTakesBothItemsBackLeavingEveryFileAsItWas) {
    const DesktopAssociations::Folders f = DesktopAssociations::folders();
    QDir().mkpath(f.configHome);
    writeFile(mimeapps(), "# the user's own\n[Default Applications]\ntext/x-nfo=other.desktop\n"
                          "text/plain=vim.desktop\n");
    const QString viewer = GetProgramFolder() + QStringLiteral("zelvan-rid-evodad");
    SystemInfo::setFactsSource([viewer, facts = SystemInfo::facts()] {
        SystemInfo::Facts changed = facts;
        changed.programPath = viewer;
        return changed;
    });
    const auto withoutCaches = [] {
        auto files = snapshot();
        std::erase_if(files, [](const auto& file) {
            return file.first.endsWith(QStringLiteral("/applications/mimeinfo.cache"));
        });
        return files;
    };
    const auto before = withoutCaches();
    start();
    ui()->mnuAssoc2->trigger();
    ui()->mnuAssoc1->trigger();
    ASSERT_EQ(mimeappsValue("Default Applications", "text/x-nfo"),
              QByteArray(DesktopAssociations::ProgramEntry));

    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), f.dataHome);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), f.configHome);
    env.insert(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral("/usr/share"));
    tool.setProcessEnvironment(env);
    tool.start(GetProgramFolder() + QStringLiteral("zelvan-rid-tool"),
               {QStringLiteral("unassociate")});
    ASSERT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().constData();
    const QByteArray report = tool.readAllStandardOutput();
    EXPECT_TRUE(report.contains(QByteArray("written " + QFile::encodeName(mimeapps()) + '\n')))
        << report.constData();
    EXPECT_EQ(withoutCaches(), before) << "a file of the user's is not as it was";
}
