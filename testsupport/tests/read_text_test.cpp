// Whole-file reads of the tests' helpers: the harnesses read /proc files of
// processes that may end between the open and the read.

#include "temp_folder.h"

#include <gtest/gtest.h>

namespace {

TEST(ReadText, GivesTheBytesOrNothingAndNeverThrows)
{
    testsupport::TempFolder folder;
    const std::string bytes("line\n\0\xff", 7);
    folder.write("file", bytes);
    EXPECT_EQ(folder.read("file"), bytes);
    std::string large(200000, 'x');
    large.back() = 'y';
    folder.write("large", large);
    EXPECT_EQ(folder.read("large"), large);
    EXPECT_EQ(folder.read("missing"), "");
    // A folder opens but fails its first read, as /proc/<pid>/stat does once
    // the process has ended.
    std::string text = "unset";
    EXPECT_NO_THROW(text = testsupport::readText(folder.path()));
    EXPECT_EQ(text, "");
}

}  // namespace
