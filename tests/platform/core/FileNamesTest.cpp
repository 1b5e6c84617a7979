#include "FileNames.h"
#include "TestSupport.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(FileNames, AnyBytesComeBackUnchangedAndReadable) {
    const QByteArray cp437Name = "/tmp/caf\x82 \xDB\xDB.nfo";
    EXPECT_EQ(FileNames::toBytes(FileNames::fromBytes(cp437Name)), cp437Name);
    EXPECT_EQ(FileNames::forDisplay(FileNames::fromBytes(cp437Name)),
              QString::fromUtf16(u"/tmp/café ██.nfo"));
    EXPECT_EQ(FileNames::fromBytes("r\xC3\xA9sum\xC3\xA9"), QString::fromUtf16(u"résumé"));
    // Overlong forms, encoded surrogates and cut sequences are bytes, not characters.
    for (const QByteArray& odd : {QByteArray("\xC0\xAF"), QByteArray("\xED\xA0\x80"),
                                  QByteArray("\xE2\x96"), QByteArray("\xF4\x90\x80\x80")})
        EXPECT_EQ(FileNames::fromBytes(odd).size(), odd.size()) << odd.toHex().constData();
    QRandomGenerator random(437);
    for (int round = 0; round < 2000; ++round) {
        QByteArray name(random.bounded(1, 24), '\0');
        for (char& c : name)
            c = char(random.bounded(1, 256));
        ASSERT_EQ(FileNames::toBytes(FileNames::fromBytes(name)), name) << name.toHex().constData();
    }
}

TEST(FileNames, ANameTheDialogMangledIsFoundAgain) {
    const QTemporaryDir dir;
    const QByteArray raw = QFile::encodeName(dir.path()) + "/caf\x82.nfo";
    writeFile(FileNames::fromBytes(raw), "x");
    ASSERT_TRUE(FileNames::isRegularFile(FileNames::fromBytes(raw)));
    const QString lossy = QFile::decodeName(raw); // what Qt's own listing gives
    ASSERT_TRUE(lossy.contains(QChar(0xFFFD)));
    EXPECT_EQ(FileNames::toBytes(FileNames::recover(lossy)), raw);
    EXPECT_EQ(FileNames::recover(dir.path() + QStringLiteral("/none.nfo")),
              dir.path() + QStringLiteral("/none.nfo"));
}
