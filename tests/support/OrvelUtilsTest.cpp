#include "OrvelUtils.h"
#include "TestSupport.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <climits>

TEST(NumberToText, PlainDecimalDigits) {
    EXPECT_EQ(NumberToText(0), QStringLiteral("0"));
    EXPECT_EQ(NumberToText(1234567), QStringLiteral("1234567"));
    EXPECT_EQ(NumberToText(-42), QStringLiteral("-42"));
    EXPECT_EQ(NumberToText(INT_MIN), QStringLiteral("-2147483648"));
}

TEST(OpenAddress, HandsTheTextUnchangedAndReportsTheShellsAnswer) {
    EXPECT_TRUE(OpenAddress("www.orveldesign.example/a b&c"));
    OutsideWorld::get().shellResult = 32;
    EXPECT_FALSE(OpenAddress("http://nowhere.example/"));
    OutsideWorld::get().shellResult = 33;
    EXPECT_TRUE(OpenAddress("/some/folder/"));
    ASSERT_EQ(OutsideWorld::get().opened.size(), 3u);
    EXPECT_EQ(OutsideWorld::get().opened[0], QByteArray("www.orveldesign.example/a b&c"));
}

TEST(SignalBeep, IsTwoTonesWithAPauseBetween) {
    QElapsedTimer clock;
    clock.start();
    SignalBeep();
    const auto& tones = OutsideWorld::get().tones;
    ASSERT_EQ(tones.size(), 2u);
    EXPECT_EQ(tones[0], std::make_pair(1200u, 30u));
    EXPECT_EQ(tones[1], std::make_pair(200u, 70u));
    EXPECT_GE(clock.elapsed(), 3) << "the pause between the tones blocks";
}

TEST(GetProgramFolder, IsTheTestProgramsFolderWithADelimiter) {
    const QString folder = GetProgramFolder();
    EXPECT_TRUE(folder.endsWith(u'/'));
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("support_tests")).isFile());
}
