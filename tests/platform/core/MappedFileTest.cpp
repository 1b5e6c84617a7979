#include "MappedFile.h"
#include "TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

TEST(MappedFile, IsAByteArrayThatCopiesOnChangeAndReadsZerosWhereItsFileWasCutShort) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mapped.nfo"));
    QByteArray content(3 << 20, 'x');
    content[0] = 'a';
    content[content.size() - 1] = 'z';
    writeFile(path, content);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    const int before = MappedFile::count();
    QByteArray mapped = MappedFile::map(fd, content.size());
    ::close(fd);
    ASSERT_FALSE(mapped.isNull());
    EXPECT_EQ(mapped, content);
    EXPECT_EQ(MappedFile::count(), before + 1);

    // A copy of its own for a holder about to edit: the same bytes, no mapping, and the mapping,
    // let go of as it was copied, still reads the file.
    const QByteArray own = MappedFile::privateCopy(mapped);
    EXPECT_FALSE(MappedFile::isMapped(own));
    EXPECT_TRUE(MappedFile::isMapped(mapped));
    EXPECT_EQ(own, content);
    EXPECT_EQ(mapped, content);

    // A change is made to a copy, never to the file or the mapping other holders see.
    QByteArray changed = mapped;
    changed[1] = 'b';
    changed.append("more");
    EXPECT_EQ(mapped.at(1), 'x');
    EXPECT_EQ(readFile(path), content);
    QByteArray grown = mapped;
    grown.resize(grown.size() + 10, '!');
    EXPECT_TRUE(grown.endsWith("z!!!!!!!!!!"));

    // Another program cuts the file short: the pages past its new end read as zeros, and
    // nothing ends the program.
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), 4096), 0);
    EXPECT_EQ(mapped.at(0), 'a');
    EXPECT_EQ(mapped.at(mapped.size() - 1), '\0');
    EXPECT_EQ(mapped.at((2 << 20) + 5), '\0');

    // Held by anyone, it stays mapped; held by nobody, it goes.
    MappedFile::releaseUnused();
    EXPECT_EQ(MappedFile::count(), before + 1);
    mapped = {};
    MappedFile::releaseUnused();
    EXPECT_EQ(MappedFile::count(), before);
    EXPECT_EQ(changed.sliced(0, 2), "ab") << "copies are the holders' own";
}
