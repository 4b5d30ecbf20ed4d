// The application font: the embedded CJK font when it is the process's first
// application font, else the first installed fallback family spelled exactly.
// The test program runs with a fontconfig setup that installs test fonts
// named "Ar Pl Ukai Cn" and "AR PL UMing CN" (fontconfig's own spelling of
// a fallback, which must not match), or none (FONT_CHOICE_NO_FALLBACK).

#include "app_startup.h"

#include "ModalAnswer.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

bool fallbackInstalled()
{
    return std::getenv("FONT_CHOICE_NO_FALLBACK") == nullptr;
}

class FontChoice : public ::testing::Test {
protected:
    void SetUp() override { QFontDatabase::removeAllApplicationFonts(); }
    void TearDown() override { QFontDatabase::removeAllApplicationFonts(); }
};

TEST_F(FontChoice, EmbeddedFontWinsOverInstalledFallbacks)
{
    if (!fallbackInstalled())
        GTEST_SKIP();
    ASSERT_TRUE(QFontDatabase().families().contains(QStringLiteral("Ar Pl Ukai Cn")));
    QFont font(QStringLiteral("Unchanged"));
    GetAppFont(font);
    EXPECT_EQ(font.family(), QStringLiteral("Droid Sans Fallback"));
    EXPECT_EQ(QFontDatabase::applicationFontFamilies(0), QStringList{QStringLiteral("Droid Sans Fallback")});
}

// The window's form names its font "SimHei", a family the embedded font
// does not register under.
TEST_F(FontChoice, TheFormsSimHeiIsTheEmbeddedFont)
{
    if (!fallbackInstalled())
        GTEST_SKIP();
    QFont font;
    GetAppFont(font);
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("SimHei"))).family().toStdString(), "Droid Sans Fallback");
}

TEST_F(FontChoice, EmbeddedFontNotFirstGivesTheFirstExactFallback)
{
    if (!fallbackInstalled())
        GTEST_SKIP();
    // Another application font took id 0.
    ASSERT_EQ(QFontDatabase::addApplicationFont(QStringLiteral(":/setting/resource/SIMHEI.TTF")), 0);
    QFont font(QStringLiteral("Unchanged"));
    GetAppFont(font);
    EXPECT_EQ(font.family(), QStringLiteral("Ar Pl Ukai Cn"));
}

TEST_F(FontChoice, NoFallbackShowsTheBoxAndKeepsTheFont)
{
    if (fallbackInstalled())
        GTEST_SKIP();
    ASSERT_EQ(QFontDatabase::addApplicationFont(QStringLiteral(":/setting/resource/SIMHEI.TTF")), 0);
    ModalAnswer answer(QMessageBox::Ok);
    QFont font(QStringLiteral("Unchanged"));
    GetAppFont(font);
    EXPECT_EQ(font.family(), QStringLiteral("Unchanged"));
    EXPECT_EQ(answer.count(), 1);
    EXPECT_EQ(answer.title(), QString());
    EXPECT_EQ(answer.text(), QStringLiteral("Error occured when showing Fonts!"));
}

}  // namespace
