#include "ArtSamples.h"
#include "FileNames.h"
#include "OrvelUtils.h"
#include "TestSupport.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace {

struct ToolRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun tool(const QStringList& arguments) {
    QProcess process;
    process.start(GetProgramFolder() + QStringLiteral("zelvan-rid-tool"), arguments);
    EXPECT_TRUE(process.waitForFinished(30000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// The most memory a run of the companion held, in bytes; its output goes nowhere.
qint64 peakMemory(const QStringList& arguments) {
    const QByteArray program = FileNames::toBytes(GetProgramFolder()) + "zelvan-rid-tool";
    std::vector<QByteArray> bytes{program};
    for (const QString& argument : arguments)
        bytes.push_back(FileNames::toBytes(argument));
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    // A sanitizer build would keep what is freed in quarantine and count it as held.
    QByteArray quarantine = "ASAN_OPTIONS=quarantine_size_mb=0:" + qgetenv("ASAN_OPTIONS");
    std::vector<char*> environment{quarantine.data()};
    for (char** e = environ; *e; ++e)
        environment.push_back(*e);
    environment.push_back(nullptr);
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (spawned != 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return qint64(usage.ru_maxrss) * 1024;
}

class ToolTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file(const char* name, const QByteArray& content) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        writeFile(path, content);
        return path;
    }
};

} // namespace

TEST_F(ToolTest, LinksPrintsEachAddressOnItsOwnLineWithItsBytes) {
    const QString one =
        file("one.nfo", "Get it at WWW.A.example/\xE9t\xE9 or http://b.example/x?y=1&z\n"
                        "HTTPS://www.C.example:443\n");
    const ToolRun run = tool({QStringLiteral("links"), one});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, QByteArray("www.a.example/\xE9t\xE9\nhttp://b.example/x?y=1\n"
                                  "https://www.c.example\n"));
    EXPECT_TRUE(run.err.isEmpty());
}

TEST_F(ToolTest, SeveralFilesArePrefixedAndABadOneDoesNotStopTheOthers) {
    const QString one = file("one.nfo", "www.one.example");
    const QString none = file("none.nfo", "nothing");
    const QString missing = dir.filePath(QStringLiteral("missing.nfo"));
    const QString two = file("two.diz", "www.two.example\r\nwww.three.example");
    const ToolRun run = tool({QStringLiteral("links"), one, missing, none, two});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out,
              (one + QStringLiteral(":www.one.example\n") + two +
               QStringLiteral(":www.two.example\n") + two + QStringLiteral(":www.three.example\n"))
                  .toLocal8Bit());
    EXPECT_TRUE(
        run.err.contains(QStringLiteral("Cannot open file \"%1\". No such file or directory")
                             .arg(missing)
                             .toLocal8Bit()));
}

TEST_F(ToolTest, TextPrintsTheGlyphsAsUtf8WithLfBreaks) {
    const QString art = file("art.nfo", QByteArray("\xDB\xB2\r\n\xC9\xCD\xBB\rA\n", 10));
    const ToolRun run = tool({QStringLiteral("text"), art});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(QString::fromUtf8(run.out), QString::fromUtf16(u"█▓\n╔═╗\nA\n"));
}

TEST_F(ToolTest, UsageHelpAndVersion) {
    const ToolRun none = tool({});
    EXPECT_EQ(none.status, 2);
    EXPECT_TRUE(none.err.startsWith("Usage: zelvan-rid-tool"));
    EXPECT_EQ(tool({QStringLiteral("links")}).status, 2);
    EXPECT_EQ(tool({QStringLiteral("text"), QStringLiteral("a"), QStringLiteral("b")}).status, 2);
    EXPECT_EQ(tool({QStringLiteral("frobnicate")}).status, 2);
    const ToolRun help = tool({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("links FILE..."));
    const ToolRun version = tool({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith("zelvan-rid-tool "));
}

TEST_F(ToolTest, AFolderIsReportedNotRead) {
    const ToolRun folder = tool({QStringLiteral("text"), dir.path()});
    EXPECT_EQ(folder.status, 1);
    EXPECT_TRUE(folder.err.contains("Is a directory"));
}

TEST_F(ToolTest, WriteErrorsStandardInputAndUsageMistakes) {
    QProcess full;
    full.setStandardOutputFile(QStringLiteral("/dev/full"));
    full.start(GetProgramFolder() + QStringLiteral("zelvan-rid-tool"),
               {QStringLiteral("text"), GetProgramFolder() + QStringLiteral("OrvelDesign.NFO")});
    ASSERT_TRUE(full.waitForFinished(30000));
    EXPECT_EQ(full.exitCode(), 1);
    EXPECT_EQ(full.readAllStandardError(),
              QByteArray("zelvan-rid-tool: write error: No space left on device\n"));

    QProcess piped;
    piped.start(GetProgramFolder() + QStringLiteral("zelvan-rid-tool"),
                {QStringLiteral("links"), QStringLiteral("-")});
    piped.write("see www.Piped.example\n");
    piped.closeWriteChannel();
    ASSERT_TRUE(piped.waitForFinished(30000));
    EXPECT_EQ(piped.exitCode(), 0);
    EXPECT_EQ(piped.readAllStandardOutput(), QByteArray("www.piped.example\n"));

    const ToolRun unknown = tool({QStringLiteral("frobnicate")});
    EXPECT_EQ(unknown.err, QByteArray("zelvan-rid-tool: unknown command 'frobnicate'\n"
                                      "Try 'zelvan-rid-tool --help'.\n"));
    EXPECT_TRUE(tool({QStringLiteral("links")}).err.startsWith("zelvan-rid-tool: links needs"));
}

TEST_F(ToolTest, TheViewerAnswersHelpAndVersionWithoutAWindow) {
    for (const QString& option : {QStringLiteral("--help"), QStringLiteral("--version")}) {
        QProcess viewer;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        viewer.setProcessEnvironment(environment);
        viewer.start(GetProgramFolder() + QStringLiteral("zelvan-rid-evodad"), {option});
        ASSERT_TRUE(viewer.waitForFinished(30000)) << option.toStdString();
        EXPECT_EQ(viewer.exitCode(), 0);
        EXPECT_TRUE(viewer.readAllStandardOutput().startsWith(
            option == u"--help" ? "Usage: zelvan-rid-evodad" : "zelvan-rid-evodad "));
    }
}

TEST_F(ToolTest, TheViewerSaysWhenTheNamedDocumentIsNowhereAndIsQuietOtherwise) {
    file("here.nfo", "here");
    const auto errorsOf = [&](const QString& name) {
        QProcess viewer;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("cfg")));
        viewer.setProcessEnvironment(environment);
        viewer.setWorkingDirectory(dir.path());
        viewer.start(GetProgramFolder() + QStringLiteral("zelvan-rid-evodad"), {name});
        EXPECT_TRUE(viewer.waitForStarted());
        QTest::qWait(1500);
        viewer.kill();
        viewer.waitForFinished();
        return viewer.readAllStandardError();
    };
    EXPECT_TRUE(errorsOf(QStringLiteral("missing.nfo"))
                    .contains("zelvan-rid-evodad: missing.nfo: no such file\n"));
    const QByteArray quiet = errorsOf(QStringLiteral("here.nfo"));
    EXPECT_FALSE(quiet.contains("QCoreApplication")) << quiet.constData();
    EXPECT_FALSE(quiet.contains("no such file")) << "found in the folder it was started in";
}

TEST_F(ToolTest, ANameThatIsNotUtf8IsOpenedAndPrintedAsItsBytes) {
    const QByteArray folder = QFile::encodeName(dir.path());
    writeFile(FileNames::fromBytes(folder + "/caf\x82.nfo"), "www.cafe.example");
    QProcess process;
    // The name goes in as raw bytes, as a shell hands it over.
    process.start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"),
                   QStringLiteral("exec \"$0\" links \"$1/caf$(printf '\\202').nfo\" \"$1/x.nfo\""),
                   GetProgramFolder() + QStringLiteral("zelvan-rid-tool"), dir.path()});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.readAllStandardOutput(), folder + "/caf\x82.nfo:www.cafe.example\n");
    EXPECT_EQ(process.readAllStandardError(), "zelvan-rid-tool: Cannot open file \"" + folder +
                                                  "/x.nfo\". No such file or directory\n");
}

TEST_F(ToolTest, PngAndThumbnailDrawTheDocumentAsThePaneDoes) {
    const QString art = file("art.nfo", "\xDB\xDB\tX\n\xC9\xCD\xBB\n");
    const QString out = dir.filePath(QStringLiteral("art.png"));
    ToolRun run = tool({QStringLiteral("png"), art, QStringLiteral("-o"), out,
                        QStringLiteral("--bg"), QStringLiteral("#102030")});
    ASSERT_EQ(run.status, 0) << run.err.constData();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.constData();
    QImage picture(out);
    ASSERT_EQ(picture.size(), QSize(9 * 8, 2 * 16)) << "9 x 16 cells, a row per line";
    EXPECT_EQ(picture.pixelColor(0, 0), QColor(0, 255, 0)) << "a full block, bright green";
    EXPECT_EQ(picture.pixelColor(71, 31), QColor(0x10, 0x20, 0x30));

    run = tool({QStringLiteral("png"), art, QStringLiteral("--scale"), QStringLiteral("2"),
                QStringLiteral("-o"), QStringLiteral("-")});
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(QImage::fromData(run.out, "PNG").size(), QSize(9 * 16, 2 * 32));

    QByteArray tall;
    for (int i = 0; i < 5000; ++i)
        tall += "\xDB\xDB\xDB\xDB line " + QByteArray::number(i) + "\r\n";
    const QString thumb = dir.filePath(QStringLiteral("thumb.png"));
    run = tool({QStringLiteral("thumbnail"), QStringLiteral("-s"), QStringLiteral("128"),
                file("tall.nfo", tall), thumb});
    ASSERT_EQ(run.status, 0) << run.err.constData();
    const QImage small(thumb);
    EXPECT_EQ(small.height(), 128) << "the top lines, scaled to fit";
    EXPECT_LE(small.height(), small.width() * 3 / 2 + 1) << "no taller than 1.5 times its width";
    // A line of prose is wrapped at 80 columns; one of art is cut there.
    const QByteArray prose = "\t" + QByteArray(4314, 'x');
    run = tool({QStringLiteral("thumbnail"), QStringLiteral("-s"), QStringLiteral("256"),
                file("wide.nfo", prose), thumb});
    ASSERT_EQ(run.status, 0) << run.err.constData();
    const QImage wrapped(thumb);
    EXPECT_EQ(wrapped.size(), QSize(640 * 256 / (55 * 16), 256)) << "55 rows of 80 columns";
    run = tool({QStringLiteral("png"), dir.filePath(QStringLiteral("wide.nfo")),
                QStringLiteral("-o"), out});
    ASSERT_EQ(run.status, 0) << run.err.constData();
    EXPECT_EQ(QImage(out).height(), 16) << "only the thumbnail wraps";
    QByteArray framed = "\xC9" + QByteArray(118, '\xCD') + "\xBB\r\n";
    framed += "\xBA" + QByteArray(118, ' ') + "\xBA\r\n" + framed;
    run = tool({QStringLiteral("thumbnail"), QStringLiteral("-s"), QStringLiteral("256"),
                file("framed.nfo", framed), thumb});
    ASSERT_EQ(run.status, 0) << run.err.constData();
    EXPECT_EQ(QImage(thumb).size(), QSize(256, 3 * 16 * 256 / 640)) << "80 columns from the left";
    EXPECT_EQ(tool({QStringLiteral("thumbnail"), QStringLiteral("-s"), QStringLiteral("64"),
                    dir.filePath(QStringLiteral("tall.nfo")), QStringLiteral("/dev/null")})
                  .status,
              0)
        << "a device is written into, as for png";

    // Nothing to draw, or nothing but tabs and breaks: a picture of the ground, a cell at least.
    for (const auto& [content, size] : {std::pair(QByteArray(), QSize(8, 16)),
                                        std::pair(QByteArray("\t\r\n\t\n"), QSize(64, 32))}) {
        run = tool({QStringLiteral("png"), file("blank.nfo", content), QStringLiteral("-o"), out});
        ASSERT_EQ(run.status, 0) << run.err.constData();
        EXPECT_EQ(QImage(out).size(), size);
        EXPECT_EQ(QImage(out).pixelColor(size.width() - 1, size.height() - 1), QColor(Qt::black));
    }

    const QString missing = dir.filePath(QStringLiteral("missing.nfo"));
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("png"), missing},
          QStringList{QStringLiteral("thumbnail"), QStringLiteral("-s"), QStringLiteral("64"),
                      missing, thumb}}) {
        run = tool(arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.startsWith("zelvan-rid-tool: Cannot open file")) << run.err.constData();
    }
    EXPECT_EQ(
        tool({QStringLiteral("png"), art, QStringLiteral("--fg"), QStringLiteral("nope")}).status,
        2);
}

TEST_F(ToolTest, PngTakesTheSettingsColoursAndReportsAPictureItCannotWrite) {
    const QString art = file("art.nfo", "\xDB ");
    const QString out = dir.filePath(QStringLiteral("art.png"));
    ToolRun run =
        tool({QStringLiteral("png"), art, QStringLiteral("-o"), out, QStringLiteral("--fg"),
              QStringLiteral("clRed"), QStringLiteral("--bg"), QStringLiteral("$00FF0000")});
    ASSERT_EQ(run.status, 0) << run.err.constData();
    EXPECT_EQ(QImage(out).pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(QImage(out).pixelColor(15, 15), QColor(0, 0, 255)) << "$00BBGGRR";

    // VGA's nine-pixel cells: a line character carries on into the ninth column, a letter not.
    run = tool({QStringLiteral("png"), file("nine.nfo", "\xC4\xC4-\xB3"), QStringLiteral("-o"), out,
                QStringLiteral("--cell-width"), QStringLiteral("9")});
    ASSERT_EQ(run.status, 0) << run.err.constData();
    const QImage nine(out);
    ASSERT_EQ(nine.size(), QSize(4 * 9, 16));
    const auto inked = [&nine](int x) {
        for (int y = 0; y < nine.height(); ++y)
            if (nine.pixelColor(x, y) != QColor(0, 0, 0))
                return true;
        return false;
    };
    EXPECT_TRUE(inked(8) && inked(17)) << "the frame's line, gapless";
    EXPECT_FALSE(inked(26) || inked(35)) << "'-' and the vertical line (B3) leave it blank";

    // Wider than most encoders take, written all the same, a band at a time.
    run = tool({QStringLiteral("png"), file("wide.nfo", QByteArray(130000, 'x') + "\r\ny\r\n"),
                QStringLiteral("-o"), out});
    ASSERT_EQ(run.status, 0) << run.err.constData();
    const QByteArray header = readFile(out).mid(16, 10);
    EXPECT_EQ(header, QByteArray("\x00\x0F\xDE\x80\x00\x00\x00\x20\x01\x03", 10))
        << "1,040,000 x 32 pixels, one bit a pixel, a palette";

    // A picture that cannot be written is an error, and nothing takes the place of what is there.
    for (const QString& nowhere : {dir.filePath(QStringLiteral("missing/art.png")), dir.path()}) {
        run = tool({QStringLiteral("png"), art, QStringLiteral("-o"), nowhere});
        EXPECT_EQ(run.status, 1) << nowhere.toStdString();
        EXPECT_TRUE(run.err.startsWith("zelvan-rid-tool: ")) << run.err.constData();
    }
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());

    // A picture in place of a file keeps the file's permissions, as the viewer's save does.
    const QFileDevice::Permissions mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadUser | QFileDevice::WriteUser |
                                          QFileDevice::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(out, mode));
    ASSERT_EQ(tool({QStringLiteral("svg"), art, QStringLiteral("-o"), out}).status, 0);
    EXPECT_EQ(QFileInfo(out).permissions(), mode);
    EXPECT_TRUE(readFile(out).startsWith("<?xml"));
    // A pipe is written into, never replaced by a file.
    const QString pipe = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QProcess reader;
    reader.start(QStringLiteral("cat"), {pipe});
    ASSERT_TRUE(reader.waitForStarted());
    EXPECT_EQ(tool({QStringLiteral("pdf"), art, QStringLiteral("-o"), pipe}).status, 0);
    ASSERT_TRUE(reader.waitForFinished(10000)) << "nothing came through the pipe";
    EXPECT_TRUE(reader.readAllStandardOutput().startsWith("%PDF-"));
    EXPECT_FALSE(QFileInfo(pipe).isFile()) << "still a pipe";
}

TEST_F(ToolTest, Utf16DocumentsAreDecodedInBothByteOrdersUnlessTold) {
    const QString text = QString::fromUtf16(u"╔═╗ www.A.example\r\n");
    for (const bool little : {true, false}) {
        QByteArray bytes = little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        for (const QChar c : text) {
            const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
            bytes.append(little ? low : high).append(little ? high : low);
        }
        const QString unicode = file(little ? "le.nfo" : "be.nfo", bytes);
        EXPECT_EQ(tool({QStringLiteral("text"), unicode}).out,
                  QString::fromUtf16(u"╔═╗ www.A.example\n").toUtf8());
        EXPECT_EQ(tool({QStringLiteral("links"), unicode}).out, QByteArray("www.a.example\n"));
        const QString out = dir.filePath(QStringLiteral("u.png"));
        ASSERT_EQ(tool({QStringLiteral("png"), unicode, QStringLiteral("-o"), out}).status, 0);
        EXPECT_EQ(QImage(out).width(), 17 * 8) << "a cell a character, the mark none";
        EXPECT_TRUE(tool({QStringLiteral("text"), QStringLiteral("--cp437"), unicode})
                        .out.startsWith(little ? "\xC2\xA0\xE2\x96\xA0" : "\xE2\x96\xA0\xC2\xA0"))
            << "forced: every byte its glyph";
    }
    const QString bare = file("bare.nfo", QByteArray("A\x00"
                                                     "B\x00",
                                                     4));
    EXPECT_EQ(tool({QStringLiteral("text"), QStringLiteral("--utf16"), bare}).out, "AB");
}

TEST_F(ToolTest, TextDecodesUtf8DocumentsUnlessTold) {
    const QByteArray frame = QString::fromUtf16(u"╔═╗ é\r\n").toUtf8();
    const QString utf8 = file("utf8.nfo", "\xEF\xBB\xBF" + frame);
    EXPECT_EQ(tool({QStringLiteral("text"), utf8}).out, QString::fromUtf16(u"╔═╗ é\n").toUtf8())
        << "decoded, the mark left out";
    EXPECT_TRUE(tool({QStringLiteral("text"), QStringLiteral("--cp437"), utf8})
                    .out.startsWith(QString::fromUtf16(u"∩╗┐Γòö").toUtf8()))
        << "forced: every byte its glyph";
    const QString dos = file("dos.nfo", "\xC9\xCD\xBB");
    EXPECT_EQ(tool({QStringLiteral("text"), dos}).out, QString::fromUtf16(u"╔═╗").toUtf8());
    EXPECT_EQ(
        tool({QStringLiteral("text"), QStringLiteral("--utf8"), file("b.nfo", "\xBB\xDB")}).out,
        QString::fromUtf16(u"╗█").toUtf8())
        << "bytes outside a sequence keep their glyph";
}

TEST_F(ToolTest, TextOfALineLongerThanAPieceIsCutBetweenCellsAndNeverHeldWhole) {
    // A two-byte sequence across every megabyte's edge.
    const QByteArray accents = "a" + QString(1 << 20, QChar(0xE9)).toUtf8();
    const ToolRun run = tool(
        {QStringLiteral("text"), QStringLiteral("--utf8"), file("accents.nfo", accents + "\r\nb")});
    ASSERT_EQ(run.status, 0) << run.err.constData();
    EXPECT_EQ(run.out, accents + "\nb");

    // Above what the program takes on a line of its own: the document, and not much more.
    const qint64 size = qint64(32) << 20;
    const qint64 alone = peakMemory({QStringLiteral("text"), file("x.nfo", "x")});
    const qint64 peak =
        peakMemory({QStringLiteral("text"), file("ff.nfo", QByteArray(size, '\xFF'))});
    ASSERT_GT(alone, 0);
    EXPECT_LT(peak - alone, size * 3 / 2) << "the text came out of the document in one piece";
}

namespace {

// Runs a program the vector pictures are rendered back with; false when it is not installed.
bool render(const QString& program, const QStringList& arguments) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return false;
    QProcess process;
    process.start(path, arguments);
    return process.waitForFinished(60000) && process.exitCode() == 0;
}

// The part of a rendered page that is not the white paper around the picture.
QImage picturePart(const QImage& page) {
    QRect inked;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (page.pixel(x, y) != qRgb(255, 255, 255))
                inked |= QRect(x, y, 1, 1);
    return page.copy(inked).convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST_F(ToolTest, SvgAndPdfRenderedBackGiveThePngsPixelsOnBlockArt) {
    // Blocks, halves, quadrants, the three shades, single and double lines, and a tab.
    QByteArray art;
    for (int line = 0; line < 6; ++line)
        art += QByteArray("\xDB\xDB\xB2\xB1\xB0 \xC9\xCD\xCB\xBB\xBA\xDF\xDC\xDD\xDE\t\xDA\xC4\xC2"
                          "\xBF\xC3\xC5\xB4\xC0\xC1\xD9\xCC\xCE\xB9\xC8\xCA\xBC\xB3\xC6\xD8\xB5")
                   .repeated(2)
                   .mid(line * 3) +
               "\r\n";
    const QString file = this->file("art.nfo", art);
    // Nine-pixel cells are odd: their shades take the phase of where they sit.
    for (const QStringList& options :
         {QStringList{}, QStringList{QStringLiteral("--cell-width"), QStringLiteral("9")},
          QStringList{QStringLiteral("--scale"), QStringLiteral("2")}}) {
        const int scale = options.contains(u"--scale") ? 2 : 1;
        const auto draw = [&](const char* format) {
            const QString out = dir.filePath(QStringLiteral("art.") + QLatin1String(format));
            const ToolRun run =
                tool(QStringList{QLatin1String(format), file, QStringLiteral("-o"), out} + options);
            EXPECT_EQ(run.status, 0) << run.err.constData();
            return out;
        };
        const QImage png = QImage(draw("png")).convertToFormat(QImage::Format_RGB32);
        const QString svg = draw("svg"), pdf = draw("pdf");
        const QString back = dir.filePath(QStringLiteral("back"));
        if (!render(QStringLiteral("rsvg-convert"),
                    {svg, QStringLiteral("-o"), back + ".svg.png"}) ||
            !render(QStringLiteral("pdftoppm"),
                    {QStringLiteral("-r"), QString::number(96 * scale), QStringLiteral("-png"),
                     QStringLiteral("-singlefile"), pdf, back}))
            GTEST_SKIP() << "rsvg-convert or pdftoppm is not installed";
        EXPECT_EQ(QImage(back + ".svg.png").convertToFormat(QImage::Format_RGB32), png)
            << "svg at scale " << scale;
        EXPECT_EQ(picturePart(QImage(back + ".png")), png) << "pdf at scale " << scale;
    }
}

TEST_F(ToolTest, VectorPicturesCarryTheTextAndPdfPagesBreakBetweenLines) {
    QByteArray lines;
    for (int i = 0; i < 150; ++i)
        lines += "\xC9\xCD\xBB line " + QByteArray::number(i) + " <&> \xB0\xDB\r\n";
    const QString file = this->file("lines.nfo", lines);
    const QString svg = dir.filePath(QStringLiteral("lines.svg"));
    ASSERT_EQ(tool({QStringLiteral("svg"), file, QStringLiteral("-o"), svg}).status, 0);
    // Well-formed, a text element a line, the shapes' characters among the glyphs.
    QFile in(svg);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&in);
    QStringList texts;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"text")
            texts.append(xml.readElementText(QXmlStreamReader::IncludeChildElements));
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    ASSERT_EQ(texts.size(), 150);
    EXPECT_EQ(texts[7], QString::fromUtf16(u"╔═╗ line 7 <&> ░█"));

    const QString pdf = dir.filePath(QStringLiteral("lines.pdf"));
    ASSERT_EQ(tool({QStringLiteral("pdf"), file, QStringLiteral("-o"), pdf,
                    QStringLiteral("--paper"), QStringLiteral("letter")})
                  .status,
              0);
    EXPECT_EQ(readFile(pdf).count("/MediaBox [0 0 612.000 792.000]"), 3) << "Letter, 3 pages";
    const QString text = dir.filePath(QStringLiteral("lines.txt"));
    int next = 0;
    for (int page = 1; page <= 3; ++page) {
        if (!render(QStringLiteral("pdftotext"),
                    {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                     QString::number(page), pdf, text}))
            GTEST_SKIP() << "pdftotext is not installed";
        // Each page holds whole lines, the next one where the last page ended.
        for (const QString& line :
             QString::fromUtf8(readFile(text)).split(u'\n', Qt::SkipEmptyParts)) {
            if (line.trimmed().isEmpty()) // the page's form feed
                continue;
            EXPECT_EQ(line.trimmed(), QStringLiteral("╔═╗ line %1 <&> ░█").arg(next))
                << "page " << page;
            ++next;
        }
    }
    EXPECT_EQ(next, 150);
    EXPECT_EQ(
        tool({QStringLiteral("pdf"), file, QStringLiteral("--paper"), QStringLiteral("a5")}).status,
        2);
}

TEST_F(ToolTest, EachStrokeOfARunOfLinesIsOneRectangleInTheSvg) {
    const ToolRun run =
        tool({QStringLiteral("svg"), file("runs.nfo", "\xC4\xC4\xC4\xC4\r\n\xCD\xCD\xCD\r\n"),
              QStringLiteral("-o"), QStringLiteral("-")});
    ASSERT_EQ(run.status, 0) << run.err.constData();
    const QByteArray opening = "<path fill=\"#00ff00\" d=\"";
    const qsizetype at = run.out.indexOf(opening) + opening.size();
    const QByteArray path = run.out.mid(at, run.out.indexOf('"', at) - at);
    EXPECT_TRUE(path.startsWith("M0 8h32v1h-32z")) << path.constData();
    EXPECT_EQ(path.count('M'), 3) << "one for the single line, two for the double: "
                                  << path.constData();
}

TEST_F(ToolTest, GlyphsWiderThanTheirCellAreClippedToItInTheSvgAsInThePng) {
    const QString file =
        this->file("wide.nfo", QString::fromUtf16(u"A日本B\r\n日 ░ ╔\r\n").toUtf8());
    const QString svg = dir.filePath(QStringLiteral("wide.svg")),
                  png = dir.filePath(QStringLiteral("wide.png")),
                  back = dir.filePath(QStringLiteral("back.png"));
    ASSERT_EQ(tool({QStringLiteral("png"), file, QStringLiteral("-o"), png}).status, 0);
    ASSERT_EQ(tool({QStringLiteral("svg"), file, QStringLiteral("-o"), svg}).status, 0);
    if (!render(QStringLiteral("rsvg-convert"), {svg, QStringLiteral("-o"), back}))
        GTEST_SKIP() << "rsvg-convert is not installed";
    EXPECT_EQ(QImage(back).convertToFormat(QImage::Format_RGB32),
              QImage(png).convertToFormat(QImage::Format_RGB32));
    // Still text, in its place among the rest.
    QFile in(svg);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&in);
    QStringList texts;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"text" &&
            !xml.attributes().hasAttribute(QStringLiteral("id")))
            texts.append(xml.readElementText(QXmlStreamReader::IncludeChildElements));
    EXPECT_EQ(texts, QStringList({QString::fromUtf16(u"A日本B"), QString::fromUtf16(u"日 ░ ╔")}));
}

TEST_F(ToolTest, AnsiArtIsShownDrawnInItsColoursAndItsRecordIsPrinted) {
    // A piece of coloured blocks, shades, halves and lines placed with cursor moves, on grounds of
    // their own, with a SAUCE record that asks for nine-pixel cells and the VGA's tall pixels.
    SauceBytes sauce;
    sauce.title = "Blocks";
    sauce.author = "Artist";
    sauce.flags = 2 << 1 | 1 << 3;
    QByteArray art;
    for (int row = 0; row < 4; ++row)
        art += esc(QByteArray::number(31 + row).constData()) + "m" + esc("1;44m") + "\xDB\xB2\xB1" +
               esc("0;45m") + "\xB0\xDF\xDC" + esc("2C") + esc("0;36;42m") + "\xC9\xCD\xBB\xDD" +
               esc("0m") + "\r\n";
    const QString file = this->file("art.ans", art + sauce.bytes());
    const auto run = [&](QStringList arguments) {
        const ToolRun ran = tool(arguments);
        EXPECT_EQ(ran.status, 0) << ran.err.constData();
        return ran.out;
    };
    EXPECT_EQ(QString::fromUtf8(run({QStringLiteral("text"), file})).split(u'\n').first(),
              QString::fromUtf16(u"█▓▒░▀▄  ╔═╗▌"))
        << "the text as shown, without sequences or the record";
    EXPECT_TRUE(QString::fromUtf8(run({QStringLiteral("text"), QStringLiteral("--no-ansi"), file}))
                    .startsWith(QString::fromUtf16(u"←[31m")));
    const QString once = this->file("once.nfo", esc("1m") + "x");
    EXPECT_EQ(run({QStringLiteral("text"), QStringLiteral("--ansi"), once}), QByteArray("x\n"));
    EXPECT_EQ(run({QStringLiteral("text"), once}), QString::fromUtf16(u"←[1mx").toUtf8());

    const QByteArray record = run({QStringLiteral("sauce"), file});
    EXPECT_TRUE(
        record.startsWith("Title: Blocks\nAuthor: Artist\nDate: 1996-04-01\nKind: ANSI art\n"))
        << record.constData();
    const ToolRun none = tool({QStringLiteral("sauce"), once});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.err.contains("no SAUCE record"));

    // The png in the art's colours, on nine-pixel cells 16 x 1.35 pixels tall; the svg and pdf
    // drawn back give its pixels.
    const QString png = dir.filePath(QStringLiteral("art.png"));
    run({QStringLiteral("png"), file, QStringLiteral("-o"), png});
    const QImage picture = QImage(png).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(picture.size(), QSize(12 * 9, 4 * 22));
    EXPECT_EQ(picture.pixelColor(4, 8), QColor(0xFF, 0x55, 0x55)) << "red, bright in bold";
    EXPECT_EQ(picture.pixelColor(4, 22 + 8), QColor(0x55, 0xFF, 0x55));
    EXPECT_EQ(picture.pixelColor(3 * 9 + 4, 14), QColor(0xAA, 0x00, 0xAA)) << "the magenta ground";
    EXPECT_EQ(picture.pixelColor(7 * 9 + 4, 8), QColor(Qt::black)) << "moved over";
    const QString svg = dir.filePath(QStringLiteral("art.svg")),
                  pdf = dir.filePath(QStringLiteral("art.pdf"));
    run({QStringLiteral("svg"), file, QStringLiteral("-o"), svg});
    run({QStringLiteral("pdf"), file, QStringLiteral("-o"), pdf});
    const QString back = dir.filePath(QStringLiteral("back"));
    if (!render(QStringLiteral("rsvg-convert"), {svg, QStringLiteral("-o"), back + ".svg.png"}) ||
        !render(QStringLiteral("pdftoppm"),
                {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                 QStringLiteral("-singlefile"), pdf, back}))
        GTEST_SKIP() << "rsvg-convert or pdftoppm is not installed";
    EXPECT_EQ(QImage(back + ".svg.png").convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_EQ(picturePart(QImage(back + ".png")), picture);
}
