#include "OrvelDocument.h"
#include "AtomicFile.h"
#include "Errors.h"
#include "TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <sys/stat.h>
#include <sys/xattr.h>

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// ---- line-break normalisation

struct BreakCase {
    const char* name;
    QByteArray in;
    QByteArray out;
};

class NormalizeLineBreaksTest : public ::testing::TestWithParam<BreakCase> {};

TEST_P(NormalizeLineBreaksTest, MakesEveryBreakOneCrLf) {
    EXPECT_EQ(NormalizeLineBreaks(GetParam().in), GetParam().out);
    // Bytes nobody else holds are normalised in their own buffer.
    const QByteArray& in = GetParam().in;
    EXPECT_EQ(NormalizeLineBreaks(QByteArray(in.constData(), in.size())), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NormalizeLineBreaksTest,
    ::testing::Values(BreakCase{"Empty", "", ""}, BreakCase{"NoBreaks", "abc", "abc"},
                      BreakCase{"CrLf", "a\r\nb\r\n", "a\r\nb\r\n"},
                      BreakCase{"LfOnly", "a\nb\n", "a\r\nb\r\n"},
                      BreakCase{"CrOnly", "a\rb\r", "a\r\nb\r\n"},
                      BreakCase{"LfCrIsTwoBreaks", "a\n\rb", "a\r\n\r\nb"},
                      BreakCase{"Mixed", "\r\r\n\n\r", "\r\n\r\n\r\n\r\n"},
                      BreakCase{"LfAmongCrLf", "\na\r\nb\n\n\r\n", "\r\na\r\nb\r\n\r\n\r\n"},
                      BreakCase{"OtherBytesPass", QByteArray("\0\xB0\x1A\r", 4),
                                QByteArray("\0\xB0\x1A\r\n", 5)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NormalizeLineBreaks, TextAlreadyNormalIsNotCopied) {
    const QByteArray text("line one\r\nline two\r\n");
    EXPECT_EQ(NormalizeLineBreaks(text).constData(), text.constData());
}

// ---- reading

class DocumentFiles : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(DocumentFiles, ReadsEveryByteIncludingNul) {
    const QByteArray bytes("before\0after\xDB\r\n", 15);
    writeFile(path("a.nfo"), bytes);
    EXPECT_EQ(ReadDocumentFile(path("a.nfo"), 1 << 20), bytes);
    writeFile(path("empty.nfo"), {});
    EXPECT_EQ(ReadDocumentFile(path("empty.nfo"), 1 << 20), QByteArray());
}

TEST_F(DocumentFiles, UnreadableFilesRaiseCannotOpenWithThePathAndReason) {
    try {
        ReadDocumentFile(path("missing.nfo"), 1 << 20);
        FAIL() << "no error";
    } catch (const UserError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot open file \"%1\". No such file or directory")
                                   .arg(path("missing.nfo")));
    }
    QDir(dir.path()).mkdir(QStringLiteral("folder.nfo"));
    try {
        ReadDocumentFile(path("folder.nfo"), 1 << 20);
        FAIL() << "no error";
    } catch (const UserError& e) {
        EXPECT_TRUE(e.message().endsWith(QStringLiteral("Is a directory"))) << e.what();
    }
}

TEST_F(DocumentFiles, APipeOrADeviceIsRefusedAtOnceAndNothingReplacesIt) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.nfo")).constData(), 0600), 0);
    const struct {
        QString name;
        const char* reason;
    } cases[] = {{path("pipe.nfo"), "It is a named pipe, not a file"},
                 {QStringLiteral("/dev/zero"), "It is a device, not a file"}};
    for (const auto& [name, reason] : cases) {
        QElapsedTimer clock;
        clock.start();
        try {
            ReadDocumentFile(name, qint64(512) << 20);
            ADD_FAILURE() << "no error";
        } catch (const UserError& e) {
            EXPECT_EQ(
                e.message(),
                QStringLiteral("Cannot open file \"%1\". %2").arg(name, QLatin1String(reason)));
        }
        EXPECT_LT(clock.elapsed(), 1000) << "waited on or read " << name.toStdString();
    }
    EXPECT_EQ(writeFileAtomically(path("pipe.nfo"), "x").outcome, AtomicWrite::CannotCreate);
    EXPECT_TRUE(QFileInfo(path("pipe.nfo")).isFile() == false &&
                QFileInfo::exists(path("pipe.nfo")))
        << "the pipe was replaced";
}

TEST_F(DocumentFiles, AFileLargerThanTheCapacityIsRefusedBeforeReading) {
    QFile huge(path("huge.nfo"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(qint64(300) << 20)); // sparse: takes no disk
    huge.close();
    try {
        ReadDocumentFile(path("huge.nfo"), qint64(256) << 20);
        FAIL() << "no error";
    } catch (const UserError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Text exceeds memo capacity"));
    }
    writeFile(path("small.nfo"), "12345");
    EXPECT_THROW(ReadDocumentFile(path("small.nfo"), 4), UserError);
    EXPECT_EQ(ReadDocumentFile(path("small.nfo"), 5), QByteArray("12345"));
}

// ---- saving

TEST_F(DocumentFiles, SaveReplacesTheContentAndKeepsPermissions) {
    writeFile(path("doc.nfo"), "old content that is longer");
    QFile::setPermissions(path("doc.nfo"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    WriteDocumentFile(path("doc.nfo"), QByteArray("new\0\r\n", 6));
    EXPECT_EQ(readFile(path("doc.nfo")), QByteArray("new\0\r\n", 6));
    const auto modeBits = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                          QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFile::permissions(path("doc.nfo")) & modeBits,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("doc.nfo")})
        << "no temporary file is left behind";

    WriteDocumentFile(path("new.nfo"), "created");
    EXPECT_EQ(readFile(path("new.nfo")), QByteArray("created"));
}

TEST_F(DocumentFiles, SaveKeepsTheAccessListAndExtendedAttributes) {
    if (QStandardPaths::findExecutable(QStringLiteral("setfacl")).isEmpty())
        GTEST_SKIP() << "setfacl (package acl) is not installed";
    writeFile(path("doc.nfo"), "old");
    const QByteArray file = QFile::encodeName(path("doc.nfo"));
    ASSERT_EQ(::chmod(file.constData(), 0640), 0);
    ASSERT_EQ(
        QProcess::execute(QStringLiteral("setfacl"),
                          {QStringLiteral("-m"), QStringLiteral("u:1234:rw"), path("doc.nfo")}),
        0);
    if (::setxattr(file.constData(), "user.origin", "archive", 7, 0) != 0)
        GTEST_SKIP() << "this file system keeps no user attributes";
    const auto acl = [this] {
        QProcess getfacl;
        getfacl.start(QStringLiteral("getfacl"), {QStringLiteral("-c"), path("doc.nfo")});
        getfacl.waitForFinished();
        return getfacl.readAllStandardOutput();
    };
    const QByteArray before = acl();
    ASSERT_TRUE(before.contains("group::r--")) << before.constData();
    WriteDocumentFile(path("doc.nfo"), "new");
    EXPECT_EQ(acl(), before) << "the group gained write, or the list was lost";
    char value[16] = {};
    EXPECT_EQ(::getxattr(file.constData(), "user.origin", value, sizeof value), 7);
    EXPECT_STREQ(value, "archive");
}

TEST_F(DocumentFiles, SaveThroughALinkWritesTheFileItNames) {
    writeFile(path("target.nfo"), "old");
    ASSERT_TRUE(QFile::link(path("target.nfo"), path("link.nfo")));
    WriteDocumentFile(path("link.nfo"), "new");
    EXPECT_TRUE(QFileInfo(path("link.nfo")).isSymLink());
    EXPECT_EQ(readFile(path("target.nfo")), QByteArray("new"));
}

TEST_F(DocumentFiles, ALinkToAFileNotYetMadeIsWrittenThrough) {
    ASSERT_EQ(::symlink("sub/../made-later.ini", QFile::encodeName(path("link.ini")).constData()),
              0);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    WriteDocumentFile(path("link.ini"), "through");
    EXPECT_TRUE(QFileInfo(path("link.ini")).isSymLink()) << "the link was replaced";
    EXPECT_EQ(readFile(path("made-later.ini")), QByteArray("through"));
}

TEST_F(DocumentFiles, AKilledSaveLeavesNoTemporaryFileAndOldOnesAreCleared) {
    writeFile(path("doc.nfo"), "the original");
    const QByteArray big(256 << 20, 'x');
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        WriteDocumentFile(path("doc.nfo"), big);
        ::_exit(0);
    }
    ::usleep(30000);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left, QStringList{QStringLiteral("doc.nfo")});

    // Names a killed writer without nameless files may have left: an old one goes, a fresh one
    // (a writer at work) and the user's own files stay.
    const QString stale = path(".doc.nfo.zrtmp-Ab12Cd");
    const QString fresh = path(".doc.nfo.zrtmp-Zz99Yy");
    const QString foreign = path(".doc.nfo.backup");
    for (const QString& name : {stale, fresh, foreign})
        writeFile(name, "left");
    const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
    for (const QString& name : {stale, foreign}) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
    }
    WriteDocumentFile(path("doc.nfo"), "new");
    EXPECT_FALSE(QFile::exists(stale));
    EXPECT_TRUE(QFile::exists(fresh));
    EXPECT_TRUE(QFile::exists(foreign));
    EXPECT_EQ(readFile(path("doc.nfo")), QByteArray("new"));
}

TEST_F(DocumentFiles, SaveToAFolderThatDoesNotExistRaisesCannotCreate) {
    const QString missing = path("no-such-folder/doc.nfo");
    try {
        WriteDocumentFile(missing, "x");
        FAIL() << "no error";
    } catch (const UserError& e) {
        EXPECT_EQ(
            e.message(),
            QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(missing));
    }
}

TEST_F(DocumentFiles, SaveToAReadOnlyFileRaisesCannotCreateAndLeavesIt) {
    writeFile(path("locked.nfo"), "keep me");
    QFile::setPermissions(path("locked.nfo"), QFile::ReadOwner | QFile::ReadGroup);
    try {
        WriteDocumentFile(path("locked.nfo"), "lost");
        FAIL() << "no error";
    } catch (const UserError& e) {
        EXPECT_EQ(
            e.message(),
            QStringLiteral("Cannot create file \"%1\". Permission denied").arg(path("locked.nfo")));
    }
    EXPECT_EQ(readFile(path("locked.nfo")), QByteArray("keep me"));
}

TEST_F(DocumentFiles, AWriteThatFailsPartWayLeavesTheOriginalUntouched) {
    writeFile(path("doc.nfo"), "the original");
    // A file-size limit makes the write fail part-way, as a full disk would. Its signal is left
    // as the system sets it: it must not end the process.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString message;
    try {
        WriteDocumentFile(path("doc.nfo"), QByteArray(100000, 'x'));
    } catch (const UserError& e) {
        message = e.message();
    }
    setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_EQ(message, QStringLiteral("Stream write error"));
    EXPECT_EQ(readFile(path("doc.nfo")), QByteArray("the original"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("doc.nfo")});
}

TEST(NormalizeLineBreaks, LongTextsOfEveryBreakComeOutAsAByteLoopMakesThem) {
    // Breaks at every place in the 64-byte runs the scan takes at once, and across them.
    std::mt19937 random(5);
    const char pieces[] = {'a', '\r', '\n', 'b', '\r', '\n', 'c'};
    for (int round = 0; round < 200; ++round) {
        QByteArray text;
        const int size = int(random() % 400);
        for (int i = 0; i < size; ++i)
            text += random() % 4 ? 'x' : pieces[random() % std::size(pieces)];
        QByteArray expected;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                continue; // the pair comes out with its LF
            expected += text[i] == '\r' || text[i] == '\n' ? QByteArray("\r\n") : text.sliced(i, 1);
        }
        ASSERT_EQ(NormalizedSize(text), expected.size()) << text.toHex().constData();
        ASSERT_EQ(NormalizeLineBreaks(text), expected) << text.toHex().constData();
        ASSERT_EQ(NormalizeLineBreaks(QByteArray(text)), expected) << text.toHex().constData();
    }
}
