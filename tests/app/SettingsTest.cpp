#include "MainWindowFixture.h"

#include "OrvelSettingsFolder.h"

#include <QDateTime>
#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

class SettingsTest : public MainWindowTest {
protected:
    QString settingsFile() const {
        return GetSettingsFolder(QStringLiteral("Zelvan RID Evodad")) +
               QStringLiteral("Zelvan RID Evodad.ini");
    }
    void stop() { form.reset(); }
};

TEST_F(SettingsTest, AFirstRunHasTheDefaultsAndExitWritesEveryKeyInOrder) {
    ASSERT_FALSE(QFile::exists(settingsFile()));
    start();
    EXPECT_EQ(form->paneBackground(), QColor(Qt::black));
    EXPECT_EQ(form->paneFont().color, QColor(0, 255, 0));
    EXPECT_EQ(form->paneFont().name, QStringLiteral("Terminal"));
    EXPECT_EQ(form->paneFont().pointSize, 9);
    EXPECT_EQ(form->paneFont().charset, CodePage::Charset::Oem);
    EXPECT_TRUE(ui()->mnuProducts->isChecked());
    EXPECT_FALSE(ui()->mnuWrap->isChecked());
    stop();
    const QString written = QString::fromLatin1(readFile(settingsFile()));
    const QRegularExpression expected(QStringLiteral(
        "^\\[WindowState\\]\r\nleft=-?\\d+\r\ntop=-?\\d+\r\nwidth=800\r\nheight=910\r\n"
        "\\[User\\]\r\nBkgColor=clBlack\r\nFontColor=clLime\r\nFontSize=9\r\nFontName=Terminal\r\n"
        "mnuProducts=1\r\nmnuWrap=0\r\n$"));
    EXPECT_TRUE(expected.match(written).hasMatch()) << written.toStdString();
}

TEST_F(SettingsTest, ChangesComeBackAtTheNextStart) {
    start();
    form->setPaneBackground(QColor(0x10, 0x20, 0x30));
    ui()->mnuWrap->trigger();
    ui()->mnuProducts->trigger();
    FontSpec font = form->paneFont();
    font.pointSize = 18;
    font.color = Qt::white;
    form->setPaneFont(font);
    stop();
    EXPECT_TRUE(readFile(settingsFile()).contains("BkgColor=$00302010\r\n"));
    EXPECT_TRUE(readFile(settingsFile()).contains("FontColor=clWhite\r\n"));

    start();
    EXPECT_EQ(form->paneBackground(), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(form->paneFont().pointSize, 18);
    EXPECT_EQ(form->paneFont().color, QColor(Qt::white));
    EXPECT_TRUE(ui()->mnuWrap->isChecked());
    EXPECT_EQ(ui()->Memo->wrap(), true);
    EXPECT_FALSE(ui()->mnuProducts->isChecked());
    EXPECT_TRUE(ui()->pnlReclama->isHidden());
}

class HandEditedWhite : public SettingsTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(HandEditedWhite, IsReadAsWhite) {
    writeFile(settingsFile(), QByteArray("[User]\r\nBkgColor=") + GetParam() + "\r\n");
    start();
    EXPECT_EQ(form->paneBackground(), QColor(Qt::white));
    EXPECT_TRUE(OutsideWorld::get().messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Spellings, HandEditedWhite,
                         ::testing::Values("clwhite", "16777215", "$00FFFFFF", " CLWHITE "));

TEST_F(SettingsTest, OptionsAndBadNumbersFromAHandEditedFile) {
    writeFile(settingsFile(), "[user]\nmnuProducts=0\nFontSize=big\nmnuWrap=7\n"
                              "[WindowState]\nwidth=640\nheight=0x1E0\n");
    // A document narrower than the pane: the window keeps the size the settings give it.
    writeFile(path(QStringLiteral("narrow.nfo")), "narrow");
    start({path(QStringLiteral("narrow.nfo"))});
    EXPECT_FALSE(ui()->mnuProducts->isChecked());
    EXPECT_TRUE(ui()->pnlReclama->isHidden());
    EXPECT_EQ(form->paneFont().pointSize, 9);
    EXPECT_TRUE(ui()->mnuWrap->isChecked());
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_EQ(form->frameGeometry().size(), QSize(640, 480));
}

TEST_F(SettingsTest, ABadColourStopsTheStartAndExitReplacesIt) {
    writeFile(settingsFile(), "[User]\r\nFontSize=18\r\nBkgColor=greenish\r\n");
    start();
    EXPECT_EQ(OutsideWorld::get().messages,
              QStringList{QStringLiteral("'greenish' is not a valid integer value")});
    EXPECT_EQ(form->windowTitle(), QStringLiteral("-=[ RUR Edeziv ]=-"));
    EXPECT_EQ(form->paneFont().pointSize, 6) << "later values keep their layout values";
    EXPECT_TRUE(paneBytes().isEmpty()) << "no document was loaded";
    stop();
    EXPECT_TRUE(
        readFile(settingsFile()).startsWith("[User]\r\nFontSize=6\r\nBkgColor=clBlack\r\n"));
}

TEST_F(SettingsTest, CommentsAndForeignSectionsSurviveASave) {
    writeFile(settingsFile(),
              "; my notes\r\n[Mine]\r\nkeep=this\r\n[User]\r\nFontName=Terminal\r\n");
    start();
    stop();
    const QByteArray saved = readFile(settingsFile());
    EXPECT_TRUE(
        saved.startsWith("; my notes\r\n[Mine]\r\nkeep=this\r\n[User]\r\nFontName=Terminal\r\n"))
        << saved.toStdString();
    EXPECT_TRUE(saved.contains("[WindowState]\r\nleft="));
}

TEST_F(SettingsTest, AnUnwritableFileIsReportedOnceAndLeftAsItWas) {
    writeFile(settingsFile(), "[User]\r\nmnuWrap=1\r\n");
    QFile::setPermissions(settingsFile(), QFile::ReadOwner | QFile::ReadGroup);
    start();
    EXPECT_TRUE(ui()->mnuWrap->isChecked());
    stop();
    EXPECT_EQ(OutsideWorld::get().messages,
              QStringList{QStringLiteral("Unable to write to %1").arg(settingsFile())});
    EXPECT_EQ(readFile(settingsFile()), QByteArray("[User]\r\nmnuWrap=1\r\n"));
}

TEST_F(SettingsTest, GarbageAFolderOrAHugeFileStillStartWithDefaults) {
    QByteArray garbage;
    QRandomGenerator random(99);
    for (int i = 0; i < 200000; ++i)
        garbage += char(random.bounded(256));
    garbage += "\n" + QByteArray(100 * 1024, 'x') + "\n";
    writeFile(settingsFile(), garbage);
    start();
    EXPECT_EQ(form->paneFont(), FontSpec{});
    EXPECT_TRUE(OutsideWorld::get().messages.isEmpty());
    stop();
    EXPECT_TRUE(readFile(settingsFile()).startsWith(garbage)) << "nothing of it is lost";

    QFile::remove(settingsFile());
    QDir().mkdir(settingsFile());
    start();
    EXPECT_EQ(form->paneBackground(), QColor(Qt::black));
    stop();
    EXPECT_EQ(OutsideWorld::get().messages,
              QStringList{QStringLiteral("Unable to write to %1").arg(settingsFile())});
}

TEST_F(SettingsTest, TextIsBytesAnEndOfFileByteIsBlankAndAnUnchangedRunWritesNothing) {
    QDir().mkpath(QFileInfo(settingsFile()).path());
    writeFile(settingsFile(), "[User]\r\nFontName=Caf\xE9 Mono\r\nmnuWrap=1\x1A");
    start();
    EXPECT_TRUE(ui()->mnuWrap->isChecked()) << "the DOS end-of-file byte is trimmed";
    stop();
    EXPECT_TRUE(readFile(settingsFile()).contains("FontName=Caf\xE9 Mono\r\n"));

    // A second run that changes nothing leaves the file itself alone: same inode, same time.
    const QFileInfo before(settingsFile());
    const QDateTime written = before.lastModified();
    const QByteArray content = readFile(settingsFile());
    QTest::qWait(20);
    start();
    stop();
    QFileInfo after(settingsFile());
    after.refresh();
    EXPECT_EQ(readFile(settingsFile()), content);
    EXPECT_EQ(after.lastModified(), written);
    EXPECT_EQ(after.fileTime(QFileDevice::FileMetadataChangeTime),
              before.fileTime(QFileDevice::FileMetadataChangeTime));

    // A font chosen by a UTF-8 name is written, and read back, as UTF-8.
    start();
    FontSpec font = form->paneFont();
    font.name = QString::fromUtf16(u"Schrift Ä");
    form->setPaneFont(font);
    stop();
    EXPECT_TRUE(readFile(settingsFile()).contains("FontName=Schrift \xC3\x84\r\n"));
    start();
    EXPECT_EQ(form->paneFont().name, QString::fromUtf16(u"Schrift Ä"));
}

TEST_F(SettingsTest, ALinkToASettingsFileNotYetMadeIsWrittenThrough) {
    QDir().mkpath(QFileInfo(settingsFile()).path());
    const QString target = dir.filePath(QStringLiteral("dotfiles/zelvan.ini"));
    QDir().mkpath(QFileInfo(target).path());
    ASSERT_TRUE(QFile::link(target, settingsFile()));
    start();
    stop();
    EXPECT_TRUE(OutsideWorld::get().messages.isEmpty())
        << OutsideWorld::get().messages.join(u'\n').toStdString();
    EXPECT_TRUE(QFileInfo(settingsFile()).isSymLink());
    EXPECT_TRUE(readFile(target).contains("FontName=Terminal"));
}
