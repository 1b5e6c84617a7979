#include "OrvelIniFile.h"
#include "Errors.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

struct IntegerCase {
    const char* text;
    std::optional<std::int32_t> value;
};

class TextToIntegerTest : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(TextToIntegerTest, ReadsDecimalAndHexadecimal) {
    EXPECT_EQ(TextToInteger(QString::fromLatin1(GetParam().text)), GetParam().value)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToIntegerTest,
    ::testing::Values(IntegerCase{"9", 9}, IntegerCase{"  -42", -42}, IntegerCase{"+7", 7},
                      IntegerCase{"16777215", 16777215}, IntegerCase{"$00FFFFFF", 0xFFFFFF},
                      IntegerCase{"$ff", 255}, IntegerCase{"0x1F", 31}, IntegerCase{"0X1f", 31},
                      IntegerCase{"$FF000000", std::int32_t(0xFF000000)},
                      IntegerCase{"2147483647", 2147483647},
                      IntegerCase{"-2147483648", std::int32_t(-2147483648LL)},
                      IntegerCase{"2147483648", std::nullopt}, IntegerCase{"", std::nullopt},
                      IntegerCase{"0x", std::nullopt}, IntegerCase{"$", std::nullopt},
                      IntegerCase{"12 ", std::nullopt}, IntegerCase{"ten", std::nullopt},
                      IntegerCase{"1e3", std::nullopt}, IntegerCase{"$1FFFFFFFF", std::nullopt}));

TEST(ColorText, NamesWhereThereAreNamesAndDollarHexElsewhere) {
    EXPECT_EQ(ColorToString(clBlack), QStringLiteral("clBlack"));
    EXPECT_EQ(ColorToString(clLime), QStringLiteral("clLime"));
    EXPECT_EQ(ColorToString(0x0000FF), QStringLiteral("clRed"));
    EXPECT_EQ(ColorToString(0xFF00000F), QStringLiteral("clBtnFace"));
    EXPECT_EQ(ColorToString(0x123456), QStringLiteral("$00123456"));
    EXPECT_EQ(ColorToString(0xABCDEF), QStringLiteral("$00ABCDEF"));

    for (const char* white : {"clwhite", "CLWHITE", "16777215", "$00FFFFFF", "$ffffff"})
        EXPECT_EQ(StringToColor(QString::fromLatin1(white)), 0xFFFFFFu) << white;
    EXPECT_EQ(StringToColor(QStringLiteral("clNone")), clNone);
    EXPECT_EQ(StringToColor(QStringLiteral("clMenuBar")), 0xFF00001Eu);
    try {
        StringToColor(QStringLiteral("greenish"));
        FAIL() << "no error";
    } catch (const UserError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("'greenish' is not a valid integer value"));
    }
}

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("z.ini"));
};

TEST_F(IniFileTest, TypedReadsFallBackToTheirDefaults) {
    writeFile(file, "[User]\r\nFontSize=big\r\nmnuProducts=0\r\nmnuWrap=2\r\nBkgColor=clwhite\r\n"
                    "hex=0x10\r\n");
    const TOrvelIniFile ini(file);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("User"), QStringLiteral("FontSize"), 9), 9);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("User"), QStringLiteral("hex"), 0), 16);
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("User"), QStringLiteral("mnuProducts"), true));
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("User"), QStringLiteral("mnuWrap"), false));
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("User"), QStringLiteral("missing"), true));
    EXPECT_EQ(ini.ReadColor(QStringLiteral("User"), QStringLiteral("BkgColor"), clBlack),
              0xFFFFFFu);
    EXPECT_EQ(ini.ReadColor(QStringLiteral("User"), QStringLiteral("FontColor"), clLime), clLime);
    EXPECT_EQ(ini.ReadString(QStringLiteral("User"), QStringLiteral("FontName"),
                             QStringLiteral("Terminal")),
              QStringLiteral("Terminal"));
}

TEST_F(IniFileTest, WritesUseTheSettingsEncodings) {
    TOrvelIniFile ini(file);
    ini.WriteColor(QStringLiteral("User"), QStringLiteral("BkgColor"), 0x00302010);
    ini.WriteColor(QStringLiteral("User"), QStringLiteral("FontColor"), clLime);
    ini.WriteBool(QStringLiteral("User"), QStringLiteral("mnuWrap"), true);
    ini.WriteInteger(QStringLiteral("User"), QStringLiteral("FontSize"), -3);
    EXPECT_EQ(readFile(file), QByteArray("[User]\r\nBkgColor=$00302010\r\nFontColor=clLime\r\n"
                                         "mnuWrap=1\r\nFontSize=-3\r\n"));
}

TEST_F(IniFileTest, ARefusedWriteRaisesUnableToWrite) {
    TOrvelIniFile ini(dir.path()); // a folder
    try {
        ini.WriteBool(QStringLiteral("User"), QStringLiteral("mnuWrap"), true);
        FAIL() << "no error";
    } catch (const UserError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unable to write to %1").arg(dir.path()));
    }
}
