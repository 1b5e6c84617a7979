#include "MainWindowFixture.h"

#include "SystemInfo.h"

#include "FileNames.h"
#include "FontDialog.h"
#include "OrvelAddresses.h"
#include "OrvelDocument.h"
#include "OrvelMarquee.h"
#include "OrvelRandom.h"
#include "OrvelSettingsFolder.h"
#include "OrvelUtils.h"
#include "Prefetch.h"

#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray defaultDocument() {
    return NormalizeLineBreaks(readFile(GetProgramFolder() + QStringLiteral("OrvelDesign.NFO")));
}

} // namespace

// ---- start-up

TEST_F(MainWindowTest, StartsOnTheDefaultDocumentBesideTheProgram) {
    ASSERT_FALSE(defaultDocument().isEmpty())
        << "the build puts OrvelDesign.NFO beside the program";
    start();
    EXPECT_EQ(paneBytes(), defaultDocument());
    EXPECT_EQ(form->windowTitle(), MarqueeText());
    EXPECT_EQ(Application::title(), MarqueeText());
    EXPECT_TRUE(ui()->mnuReadonly->isChecked());
    EXPECT_TRUE(ui()->Memo->isReadOnly());
    EXPECT_FALSE(ui()->mnuSave->isEnabled());
    EXPECT_FALSE(ui()->mnuClose->isEnabled());
    EXPECT_TRUE(form->currentFileName().isEmpty())
        << "the start-up document is not the current file";
    EXPECT_EQ(QDir::currentPath() + u'/', GetProgramFolder());
    EXPECT_TRUE(OutsideWorld::get().messages.isEmpty());
}

TEST_F(MainWindowTest, InstalledTheDefaultDocumentComesFromTheDataFolderOfItsPrefix) {
    // prefix/bin/viewer, reached through a link elsewhere, with the document in prefix/share.
    QDir(dir.path()).mkpath(QStringLiteral("prefix/bin"));
    QDir(dir.path()).mkpath(QStringLiteral("prefix/share/zelvan-rid-evodad"));
    QDir(dir.path()).mkpath(QStringLiteral("links"));
    writeFile(path(QStringLiteral("prefix/bin/zelvan-rid-evodad")), "");
    writeFile(path(QStringLiteral("prefix/share/zelvan-rid-evodad/OrvelDesign.NFO")), "shared");
    ASSERT_TRUE(QFile::link(path(QStringLiteral("prefix/bin/zelvan-rid-evodad")),
                            path(QStringLiteral("links/zelvan-rid-evodad"))));
    SystemInfo::setFactsSource([this, facts = SystemInfo::facts()] {
        SystemInfo::Facts f = facts;
        f.programPath = path(QStringLiteral("links/zelvan-rid-evodad"));
        return f;
    });
    start();
    EXPECT_EQ(paneBytes(), QByteArray("shared"));
}

TEST_F(MainWindowTest, AMissingFileOrAFolderAsArgumentFallsBackToTheDefault) {
    for (const QString& argument : {path(QStringLiteral("missing.nfo")), dir.path(), QString()}) {
        start({argument});
        EXPECT_EQ(paneBytes(), defaultDocument()) << argument.toStdString();
    }
}

TEST_F(MainWindowTest, OnlyTheFirstArgumentCountsAndRelativeNamesMeanTheProgramFolderFirst) {
    writeFile(path(QStringLiteral("first.nfo")), "first");
    writeFile(path(QStringLiteral("second.nfo")), "second");
    start({path(QStringLiteral("first.nfo")), path(QStringLiteral("second.nfo"))});
    EXPECT_EQ(paneBytes(), QByteArray("first"));

    const QString name = QStringLiteral("relative-%1.nfo").arg(::getpid());
    writeFile(GetProgramFolder() + name, "beside the program");
    writeFile(path(name), "in the caller's folder");
    QDir::setCurrent(dir.path());
    start({name});
    QFile::remove(GetProgramFolder() + name);
    EXPECT_EQ(paneBytes(), QByteArray("beside the program"));
    form.reset();
    QDir::setCurrent(dir.path());
    start({name});
    EXPECT_EQ(paneBytes(), QByteArray("in the caller's folder")) << "then the caller's folder";
}

TEST_F(MainWindowTest, AFailingLoadAtStartShowsTheErrorAndSkipsTheRest) {
    QFile huge(path(QStringLiteral("huge.nfo")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(DocumentCapacity + 1));
    huge.close();
    start({huge.fileName()});
    EXPECT_EQ(OutsideWorld::get().messages,
              QStringList{QStringLiteral("Text exceeds memo capacity")});
    EXPECT_EQ(form->windowTitle(), QStringLiteral("-=[ RUR Edeziv ]=-"));
    EXPECT_EQ(Application::title(), QStringLiteral("ZIV Eroz Evevev (runtime)"));
    EXPECT_TRUE(paneBytes().isEmpty());
}

TEST_F(MainWindowTest, OpensAt800By910CentredAndShrunkToFitASmallScreen) {
    start();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QRect area = form->screen()->availableGeometry();
    const QSize fitted = QSize(800, 910).boundedTo(area.size());
    const QRect outer = form->frameGeometry();
    EXPECT_EQ(outer.size(), fitted);
    EXPECT_EQ(outer.topLeft(), area.topLeft() + QPoint((area.width() - fitted.width()) / 2,
                                                       (area.height() - fitted.height()) / 2));
    EXPECT_TRUE(area.contains(outer)) << "title and menu bars stay on the screen";
    form.reset();
    // Shrunk only for this screen: the settings keep the size asked for.
    const QByteArray settings = readFile(GetSettingsFolder(QStringLiteral("Zelvan RID Evodad")) +
                                         QStringLiteral("Zelvan RID Evodad.ini"));
    EXPECT_TRUE(settings.contains("width=800\r\nheight=910\r\n")) << settings.constData();
}

TEST_F(MainWindowTest, EscEndsTheProgram) {
    start();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
}

// ---- loading

TEST_F(MainWindowTest, LoadShowsEveryByteWithNormalisedBreaks) {
    writeFile(path(QStringLiteral("doc.nfo")), QByteArray("a\nb\0c\r\xDB", 7));
    start({path(QStringLiteral("doc.nfo"))});
    EXPECT_EQ(paneBytes(), QByteArray("a\r\nb\0c\r\n\xDB", 9)) << "a NUL no longer ends the text";
    EXPECT_EQ(ui()->Memo->toPlainText(), QString::fromUtf16(u"a\nb\u2007c\n█"));

    writeFile(path(QStringLiteral("empty.nfo")), {});
    form->LoadDocument(path(QStringLiteral("empty.nfo")));
    EXPECT_TRUE(paneBytes().isEmpty());
}

TEST_F(MainWindowTest, AFailedLoadKeepsThePaneAndTheState) {
    writeFile(path(QStringLiteral("doc.nfo")), "kept");
    start({path(QStringLiteral("doc.nfo"))});
    const QString missing = path(QStringLiteral("gone.nfo"));
    EXPECT_FALSE(Application::guarded([&] { form->LoadDocument(missing); }));
    EXPECT_EQ(
        OutsideWorld::get().messages,
        QStringList{
            QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing)});
    EXPECT_EQ(paneBytes(), QByteArray("kept"));
}

// ---- Open, Close, Read-only, Save

TEST_F(MainWindowTest, EachOpenFlipsReadOnlyAndCancelChangesNothing) {
    writeFile(path(QStringLiteral("one.nfo")), "one");
    writeFile(path(QStringLiteral("two.NFO")), "two");
    start();

    onNextDialog([](QDialog* dialog) { dialog->reject(); });
    ui()->mnuOpen->trigger();
    EXPECT_TRUE(ui()->mnuReadonly->isChecked());
    EXPECT_FALSE(ui()->mnuClose->isEnabled());

    openThroughDialog(path(QStringLiteral("one.nfo")));
    EXPECT_EQ(paneBytes(), QByteArray("one"));
    EXPECT_EQ(form->currentFileName(), path(QStringLiteral("one.nfo")));
    EXPECT_FALSE(ui()->mnuReadonly->isChecked());
    EXPECT_FALSE(ui()->Memo->isReadOnly());
    EXPECT_TRUE(ui()->mnuSave->isEnabled());
    EXPECT_TRUE(ui()->mnuClose->isEnabled());

    openThroughDialog(path(QStringLiteral("two.NFO")));
    EXPECT_EQ(paneBytes(), QByteArray("two"));
    EXPECT_TRUE(ui()->mnuReadonly->isChecked());
    EXPECT_TRUE(ui()->Memo->isReadOnly());
    EXPECT_FALSE(ui()->mnuSave->isEnabled());
}

struct ReadOnlyCase {
    bool markBefore;
    bool haveFile;
    bool markAfter;
    bool saveEnabled;
};

class ReadOnlyTable : public MainWindowTest, public ::testing::WithParamInterface<ReadOnlyCase> {};

TEST_P(ReadOnlyTable, FollowsTheMarkAndTheCurrentFile) {
    const ReadOnlyCase c = GetParam();
    writeFile(path(QStringLiteral("doc.nfo")), "doc");
    start();
    if (c.haveFile)
        openThroughDialog(path(QStringLiteral("doc.nfo")));
    ui()->mnuReadonly->setChecked(c.markBefore);
    ui()->mnuReadonly->trigger();
    EXPECT_EQ(ui()->mnuReadonly->isChecked(), c.markAfter);
    EXPECT_EQ(ui()->Memo->isReadOnly(), c.markAfter);
    EXPECT_EQ(ui()->mnuSave->isEnabled(), c.saveEnabled);
}

INSTANTIATE_TEST_SUITE_P(TruthTable, ReadOnlyTable,
                         ::testing::Values(ReadOnlyCase{true, true, false, true},
                                           ReadOnlyCase{true, false, false, false},
                                           ReadOnlyCase{false, true, true, false},
                                           ReadOnlyCase{false, false, false, false}));

TEST_F(MainWindowTest, SaveWritesTheEditedBytesWithCrLfAndSometimesTheDownloadPage) {
    const QString file = path(QStringLiteral("doc.nfo"));
    writeFile(file, "line one\nline two\n");
    start();
    openThroughDialog(file);
    ui()->Memo->setCaret(paneBytes().size());
    ui()->Memo->setFocus();
    QTest::keyClicks(ui()->Memo, QStringLiteral("x"));
    // A character code page 437 lacks, typed as a keyboard would deliver it.
    QKeyEvent euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf16(u"€"));
    QApplication::sendEvent(ui()->Memo, &euro);

    OrvelRandom::setSeed(seedDrawing(5, 3, false));
    ui()->mnuSave->trigger();
    EXPECT_EQ(readFile(file), QByteArray("line one\r\nline two\r\nx?"));
    EXPECT_TRUE(OutsideWorld::get().opened.empty());

    OrvelRandom::setSeed(seedDrawing(5, 3));
    ui()->mnuSave->trigger();
    ASSERT_EQ(OutsideWorld::get().opened.size(), 1u);
    EXPECT_EQ(OutsideWorld::get().opened[0], QByteArray(DownloadPageAddress));
}

TEST_F(MainWindowTest, AFailedSaveReportsAndOpensNoPage) {
    QTemporaryDir gone;
    const QString file = gone.filePath(QStringLiteral("doc.nfo"));
    writeFile(file, "doc");
    start();
    openThroughDialog(file);
    gone.remove();
    OrvelRandom::setSeed(seedDrawing(5, 3));
    ui()->mnuSave->trigger();
    EXPECT_EQ(
        OutsideWorld::get().messages,
        QStringList{
            QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(file)});
    EXPECT_TRUE(OutsideWorld::get().opened.empty());
}

TEST_F(MainWindowTest, CloseEmptiesThePaneAndDisablesSaveAndClose) {
    writeFile(path(QStringLiteral("doc.nfo")), "doc");
    start();
    QSignalSpy shown(form.get(), &TMainForm::documentShown);
    openThroughDialog(path(QStringLiteral("doc.nfo")));
    ui()->mnuClose->trigger();
    ASSERT_EQ(shown.size(), 2) << "what is on screen, told as it changes";
    EXPECT_EQ(shown[0][0].toString(), path(QStringLiteral("doc.nfo")));
    EXPECT_EQ(shown[1][0].toString(), QString());
    EXPECT_TRUE(paneBytes().isEmpty());
    EXPECT_TRUE(form->currentFileName().isEmpty());
    EXPECT_FALSE(ui()->mnuSave->isEnabled());
    EXPECT_FALSE(ui()->mnuClose->isEnabled());
    EXPECT_FALSE(ui()->mnuReadonly->isChecked()) << "the mark stays as it was";
    EXPECT_FALSE(ui()->Memo->isReadOnly());
}

// ---- Wrap, font, colour, double click

TEST_F(MainWindowTest, WrapFollowsItsMarkWithoutAHorizontalBar) {
    start();
    EXPECT_EQ(ui()->Memo->wrap(), false);
    ui()->mnuWrap->trigger();
    EXPECT_TRUE(ui()->mnuWrap->isChecked());
    EXPECT_EQ(ui()->Memo->wrap(), true);
    ui()->mnuWrap->trigger();
    EXPECT_EQ(ui()->Memo->wrap(), false);
    EXPECT_EQ(ui()->Memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(paneBytes(), defaultDocument()) << "wrapping never changes the text";
}

TEST_F(MainWindowTest, FontDialogStartsFromThePaneAndSetsEveryAttribute) {
    start();
    FontSpec shown;
    FontSpec chosen;
    chosen.name = QStringLiteral("DejaVu Sans Mono");
    chosen.pointSize = 12;
    chosen.underline = true;
    chosen.strikeOut = true;
    chosen.color = QColor(255, 0, 0);
    chosen.charset = CodePage::Charset::Ansi;
    onNextDialog([&](QDialog* dialog) {
        auto* fonts = qobject_cast<FontDialog*>(dialog);
        ASSERT_NE(fonts, nullptr);
        shown = fonts->spec();
        fonts->setSpec(chosen);
        fonts->accept();
    });
    ui()->mnuFont->trigger();
    EXPECT_EQ(shown, FontSpec{}) << "preset with Terminal 9 pt, bright green, OEM";
    EXPECT_EQ(form->paneFont(), chosen);
    EXPECT_EQ(ui()->Memo->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_TRUE(ui()->Memo->font().underline());
    EXPECT_TRUE(ui()->Memo->font().strikeOut());
    EXPECT_EQ(paneBytes(), defaultDocument()) << "the script changes glyphs, not bytes";
    EXPECT_FALSE(ui()->Memo->toPlainText().contains(u'█'));

    onNextDialog([](QDialog* dialog) { dialog->reject(); });
    ui()->mnuFont->trigger();
    EXPECT_EQ(form->paneFont(), chosen);
}

TEST_F(MainWindowTest, IconsListRoomAndDialogsFitWhatTheyShow) {
    start();
    // The icon comes with the first frame, not before.
    EXPECT_TRUE(form->windowIcon().availableSizes().isEmpty());
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->windowIcon().availableSizes().isEmpty(); }));
    const QList<QSize> sizes = form->windowIcon().availableSizes();
    for (const int size : {16, 32, 48, 256})
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;

    // A short window: the products panel gives way, the list keeps three entries' room.
    form->resize(800, 1000);
    QCoreApplication::processEvents();
    const int adsHeight = ui()->pnlAds->height();
    ASSERT_GT(ui()->lboxLinks->count(), 0);
    const int entries = 3 * ui()->lboxLinks->sizeHintForRow(0);
    form->resize(800, 400);
    QCoreApplication::processEvents();
    EXPECT_GE(ui()->lboxLinks->viewport()->height(), entries);
    EXPECT_LT(ui()->pnlAds->height(), adsHeight);
    form->resize(800, 1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(ui()->pnlAds->height(), adsHeight) << "back to its height where there is room";

    // The font sample on the pane's background; the Open dialog wide enough for its columns.
    form->setPaneBackground(QColor(0, 0, 128));
    QColor sampleGround;
    onNextDialog([&](QDialog* dialog) {
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            if (label->autoFillBackground())
                sampleGround = label->palette().color(QPalette::Window);
        dialog->reject();
    });
    ui()->mnuFont->trigger();
    EXPECT_EQ(sampleGround, QColor(0, 0, 128));
    QSize openSize;
    onNextDialog([&](QDialog* dialog) {
        openSize = dialog->size();
        dialog->reject();
    });
    ui()->mnuOpen->trigger();
    EXPECT_EQ(openSize.width(),
              std::min(960, form->screen()->availableGeometry().width() * 9 / 10));
}

TEST_F(MainWindowTest, ColourDialogRemembersItsLastChoiceNotThePane) {
    start();
    QColor shown;
    onNextDialog([&](QDialog* dialog) {
        auto* colors = qobject_cast<QColorDialog*>(dialog);
        shown = colors->currentColor();
        colors->setCurrentColor(Qt::blue);
        colors->accept();
    });
    ui()->mnuColorBkg->trigger();
    EXPECT_EQ(shown, QColor(Qt::black));
    EXPECT_EQ(form->paneBackground(), QColor(Qt::blue));

    onNextDialog([&](QDialog* dialog) {
        auto* colors = qobject_cast<QColorDialog*>(dialog);
        shown = colors->currentColor();
        colors->setCurrentColor(Qt::red);
        colors->reject();
    });
    ui()->mnuColorBkg->trigger();
    EXPECT_EQ(shown, QColor(Qt::blue));
    EXPECT_EQ(form->paneBackground(), QColor(Qt::blue));

    onNextDialog([&](QDialog* dialog) {
        shown = qobject_cast<QColorDialog*>(dialog)->currentColor();
        dialog->reject();
    });
    ui()->mnuColorBkg->trigger();
    EXPECT_EQ(shown, QColor(Qt::blue)) << "a cancelled choice is not remembered";
}

TEST_F(MainWindowTest, DoubleClickInThePaneOpensTheDownloadPage) {
    start();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QTest::mouseDClick(ui()->Memo->viewport(), Qt::LeftButton, {}, QPoint(30, 30));
    ASSERT_EQ(OutsideWorld::get().opened.size(), 1u);
    EXPECT_EQ(OutsideWorld::get().opened[0], QByteArray(DownloadPageAddress));
}

TEST_F(MainWindowTest, HidingTheNavigatorGivesItsWidthToThePane) {
    start();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const int before = ui()->Memo->width();
    ui()->mnuProducts->trigger();
    EXPECT_FALSE(ui()->pnlReclama->isVisible());
    EXPECT_EQ(ui()->Memo->width(), before + ui()->pnlReclama->width());
    EXPECT_TRUE(ui()->Splitter->isVisible());
    ui()->mnuProducts->trigger();
    EXPECT_TRUE(ui()->pnlReclama->isVisible());
    EXPECT_EQ(ui()->Memo->width(), before);
}

TEST_F(MainWindowTest, ThePaneHasTheKeysAtStartAfterOpenAndAfterClose) {
    writeFile(path(QStringLiteral("a.nfo")), "a");
    start();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_EQ(QApplication::focusWidget(), ui()->Memo);
    // The window's own focus: what has the keys when it is active again after the dialog.
    ui()->lboxLinks->setFocus();
    openThroughDialog(path(QStringLiteral("a.nfo")));
    EXPECT_EQ(form->focusWidget(), ui()->Memo);
    ui()->lboxLinks->setFocus();
    ui()->mnuClose->trigger();
    EXPECT_EQ(form->focusWidget(), ui()->Memo);
    EXPECT_EQ(ui()->Memo->focusPolicy(), Qt::ClickFocus) << "still out of the Tab order";
}

TEST_F(MainWindowTest, TheDocumentReadAheadIsTakenOnlyForItsOwnName) {
    const QString file = path(QStringLiteral("ahead.nfo"));
    writeFile(file, "read ahead\nwww.a.example");
    // Named as the command line may name it, with the same file found by the window.
    Prefetch::start(path(QStringLiteral(".//ahead.nfo")), DocumentCapacity);
    const std::optional<PreparedDocument> ahead = Prefetch::take(file);
    ASSERT_TRUE(ahead);
    EXPECT_EQ(ahead->text, QByteArray("read ahead\r\nwww.a.example")) << "prepared as a load does";
    ASSERT_EQ(ahead->links->size(), 1u);
    EXPECT_EQ(ahead->text.sliced((*ahead->links)[0].at, (*ahead->links)[0].length),
              "www.a.example");
    EXPECT_FALSE(Prefetch::take(file)) << "once";
    // Another document first: the read-ahead is let go, not kept for the rest of the run.
    Prefetch::start(file, DocumentCapacity);
    EXPECT_FALSE(Prefetch::take(path(QStringLiteral("other.nfo"))));
    EXPECT_FALSE(Prefetch::take(file));
    // A named pipe is never read ahead: no writer might ever come.
    const QString pipe = path(QStringLiteral("pipe.nfo"));
    ASSERT_EQ(::mkfifo(FileNames::toBytes(pipe).constData(), 0600), 0);
    Prefetch::start(pipe, DocumentCapacity);
    EXPECT_FALSE(Prefetch::take(pipe));
}
