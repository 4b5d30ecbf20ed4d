// CUPS commands run as processes with an argument list: outside text is data
// to them, never shell syntax.

#include "cups_command.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// A program that prints its locale setting and each argument on a line.
std::string EchoProgram(const testsupport::TempFolder& folder)
{
    const std::string path = folder.file("echo-args");
    folder.write("echo-args", "#!/bin/sh\nprintf 'LC_ALL=%s\\n' \"$LC_ALL\"\nprintf '%s\\n' \"$@\"\n");
    chmod(path.c_str(), 0755);
    return path;
}

TEST(CupsCommand, QueueNamesReachTheCommandAsTheyAre)
{
    testsupport::TempFolder folder;
    const QString program = QString::fromStdString(EchoProgram(folder));
    const QStringList names = {
        "Q`touch${IFS}" + QString::fromStdString(folder.file("ran1")) + "`",
        "Q$(touch${IFS}" + QString::fromStdString(folder.file("ran2")) + ")",
        "Q;touch${IFS}ran3;",
        "Q|touch${IFS}ran4",
        "Q&touch${IFS}ran5&",
        QStringLiteral("打印机"),
    };
    for (const QString& name : names) {
        const QByteArray output = RunCupsCommand(program, {QStringLiteral("-p"), name});
        EXPECT_EQ(QString::fromUtf8(output), "LC_ALL=C.UTF-8\n-p\n" + name + "\n") << name.toStdString();
    }
    EXPECT_EQ(folder.names(), (std::set<std::string>{"echo-args"}));
}

TEST(CupsCommand, MissingOrFailingCommandGivesNoOutput)
{
    testsupport::TempFolder folder;
    EXPECT_TRUE(RunCupsCommand(QString::fromStdString(folder.file("absent")), {}).isEmpty());
    folder.write("fails", "#!/bin/sh\necho 'lpstat: No destinations added.' >&2\nexit 1\n");
    chmod(folder.file("fails").c_str(), 0755);
    EXPECT_TRUE(RunCupsCommand(QString::fromStdString(folder.file("fails")), {}).isEmpty());
}

TEST(CupsCommand, LongOutputIsReadWholeUpToTheBound)
{
    testsupport::TempFolder folder;
    // 9 MiB of listing: the first 8 MiB are kept and the command still ends.
    folder.write("long", "#!/bin/sh\nhead -c 9437184 /dev/zero | tr '\\0' x\n");
    chmod(folder.file("long").c_str(), 0755);
    const QByteArray output = RunCupsCommand(QString::fromStdString(folder.file("long")), {});
    EXPECT_EQ(output.size(), kMaxCommandOutput);
    EXPECT_EQ(output.count('x'), kMaxCommandOutput);
}

}  // namespace
