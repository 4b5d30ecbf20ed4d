#include "printer_log.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QProcess>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <clocale>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr qint64 kRotateAbove = 1048576;

class PrinterLog : public ::testing::Test {
protected:
    void TearDown() override { SetLogEnable(false, LogProgram::PrintMonitorService, root()); }

    QString root() const { return m_dir.path() + QStringLiteral("/root/"); }
    QString serviceFolder() const { return root() + QStringLiteral("log/"); }

    QStringList logFiles(const QString& folder) const
    {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }

    QByteArray read(const QString& path) const
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    QTemporaryDir m_dir;
};

// Names of the first file for a log switched on at some second in [from, to].
QStringList ExpectedNames(const QString& prefix, const QDateTime& from, const QDateTime& to)
{
    QStringList names;
    for (QDateTime t = from.addMSecs(-from.time().msec()); t <= to; t = t.addSecs(1))
        names << prefix + t.toString(QStringLiteral("_yyyyMMdd_hhmmss_")) + QStringLiteral("0.log");
    return names;
}

TEST_F(PrinterLog, CreatesNothingWhileOff)
{
    WriteStringLog("a.cpp", 1, "f", "never switched on");
    SetLogEnable(false, LogProgram::PrintMonitorService, root());
    WriteStringLog("a.cpp", 2, "f", "switched off");
    EXPECT_FALSE(QDir(root()).exists());

    SetLogEnable(true, LogProgram::PrintMonitorService, root());
    SetLogEnable(false, LogProgram::PrintMonitorService, root());
    WriteStringLog("a.cpp", 3, "f", "off again");
    EXPECT_TRUE(logFiles(serviceFolder()).isEmpty());
}

TEST_F(PrinterLog, EachProgramWritesToItsFolderUnderAFileNamedAtSwitchOn)
{
    struct Case {
        LogProgram program;
        const char* folder;
        const char* prefix;
    };
    const Case cases[] = {
        {LogProgram::PrintMonitorService, "log/", "log_srv"},
        {LogProgram::PrinterAssistant, "tool/", "log_tool"},
        {LogProgram::PrinterConfigurator, "tool/", "log_nettool"},
        {LogProgram::FirmwareUpdater, "log/", "log_fwupdate"},
    };
    for (const Case& c : cases) {
        const QString folder = root() + QString::fromLatin1(c.folder);
        const QStringList before = logFiles(folder);
        const QDateTime from = QDateTime::currentDateTime();
        SetLogEnable(true, c.program, root());
        const QDateTime to = QDateTime::currentDateTime();
        EXPECT_TRUE(QDir(folder).exists()) << c.prefix;
        EXPECT_EQ(logFiles(folder), before) << "no file before the first line: " << c.prefix;

        WriteStringLog("a.cpp", 1, "f", "first line");
        QStringList added = logFiles(folder);
        for (const QString& name : before)
            added.removeOne(name);
        ASSERT_EQ(added.size(), 1) << c.prefix;
        EXPECT_TRUE(ExpectedNames(QString::fromLatin1(c.prefix), from, to).contains(added[0]))
            << added[0].toStdString();
    }
}

TEST_F(PrinterLog, FileNameKeepsTheTimeOfSwitchOn)
{
    const QDateTime from = QDateTime::currentDateTime();
    SetLogEnable(true, LogProgram::PrintMonitorService, root());
    const QDateTime to = QDateTime::currentDateTime();
    QThread::msleep(1100);
    WriteStringLog("a.cpp", 1, "f", "a second later");
    const QStringList files = logFiles(serviceFolder());
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(ExpectedNames("log_srv", from, to).contains(files[0])) << files[0].toStdString();
}

TEST_F(PrinterLog, LinesHaveTheStampSourceAndMessage)
{
    SetLogEnable(true, LogProgram::PrintMonitorService, root());
    const QDateTime from = QDateTime::currentDateTime();
    WriteStringLog("src/trd_get_printer_status.cpp", 214, "SlotTaskStart", "connect %s fail, ret = %d",
                   "Q1", -5);
    // Outside text goes in as an argument and comes out as it is.
    const char* queue = "Q%n%s%x";
    WriteStringLog("b.cpp", 7, "Check", "cancel by printer %s", queue);
    WriteStringLog("c.cpp", 8, "Show", "toner %.2f%%", 99.5);
    WriteStringLog("d.cpp", 9, "Long", "%s", std::string(2000, 'x').c_str());
    PRINTER_LOG("from the macro");
    const int macroLine = __LINE__ - 1;
    const QDateTime to = QDateTime::currentDateTime();

    const QStringList files = logFiles(serviceFolder());
    ASSERT_EQ(files.size(), 1);
    const QList<QByteArray> lines = read(serviceFolder() + files[0]).split('\n');
    ASSERT_EQ(lines.size(), 6);  // five lines, each ending in "\n"
    EXPECT_TRUE(lines[5].isEmpty());

    const QRegularExpression stamp(
        QStringLiteral(R"(^\[(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})\] \()"));
    for (int i = 0; i < 5; ++i) {
        const auto match = stamp.match(QString::fromLocal8Bit(lines[i]));
        ASSERT_TRUE(match.hasMatch()) << lines[i].left(80).toStdString();
        const QDateTime at = QDateTime::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        EXPECT_TRUE(at >= from.addMSecs(-1) && at <= to) << lines[i].left(30).toStdString();
    }
    const int stampLength = int(sizeof "[yyyy-MM-dd hh:mm:ss.zzz] ") - 1;
    EXPECT_EQ(lines[0].mid(stampLength), "(src/trd_get_printer_status.cpp@214 SlotTaskStart) connect Q1 fail, ret = -5");
    EXPECT_EQ(lines[1].mid(stampLength), "(b.cpp@7 Check) cancel by printer Q%n%s%x");
    EXPECT_EQ(lines[2].mid(stampLength), "(c.cpp@8 Show) toner 99.50%");
    EXPECT_EQ(lines[3].mid(stampLength), "(d.cpp@9 Long) " + QByteArray(1023, 'x'));
    EXPECT_EQ(lines[4].mid(stampLength),
              "(" + QByteArray(__FILE__) + "@" + QByteArray::number(macroLine) + " " + __func__ + ") from the macro");
}

TEST_F(PrinterLog, NumbersAreWrittenInTheCLocaleWhateverTheProgramsLocale)
{
    // A Qt program takes the user's locale, where 99.5 may print as "99,50".
    const QString locales = m_dir.path() + QStringLiteral("/locales");
    QDir().mkpath(locales);
    if (QProcess::execute(QStringLiteral("localedef"),
                          {"-i", "de_DE", "-f", "UTF-8", locales + "/de_DE.UTF-8"}) != 0)
        GTEST_SKIP() << "localedef cannot build de_DE";
    qputenv("LOCPATH", locales.toLocal8Bit());
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "de_DE locale not usable";
    char german[16];
    std::snprintf(german, sizeof german, "%.2f", 99.5);

    SetLogEnable(true, LogProgram::PrintMonitorService, root());
    WriteStringLog("a.cpp", 1, "f", "toner %.2f%%", 99.5);
    std::setlocale(LC_ALL, "C");
    qunsetenv("LOCPATH");

    EXPECT_STREQ(german, "99,50");
    EXPECT_TRUE(read(serviceFolder() + logFiles(serviceFolder()).value(0)).endsWith(") toner 99.50%\n"));
}

TEST_F(PrinterLog, RotatesToTheNextIndexOnceTheFileIsAboveOneMebibyte)
{
    SetLogEnable(true, LogProgram::PrintMonitorService, root());
    WriteStringLog("a.cpp", 1, "f", "first");
    const QString first = serviceFolder() + logFiles(serviceFolder()).value(0);
    ASSERT_TRUE(first.endsWith("_0.log"));
    const QString stem = first.left(first.size() - int(sizeof "0.log") + 1);

    struct Step {
        const char* what;
        QString grow;   // file to resize before the write, if any
        qint64 size;
        QString expectedTarget;
    };
    const Step steps[] = {
        {"at the limit stays", first, kRotateAbove, first},
        {"above the limit moves on", first, kRotateAbove + 1, stem + "1.log"},
        {"later lines stay in the new file", {}, 0, stem + "1.log"},
        {"the new file rotates in turn", stem + "1.log", kRotateAbove + 1, stem + "2.log"},
    };
    for (const Step& s : steps) {
        if (!s.grow.isEmpty()) {
            ASSERT_TRUE(QFile::resize(s.grow, s.size)) << s.what;
        }
        const qint64 before = QFileInfo(s.expectedTarget).size();
        WriteStringLog("a.cpp", 2, "f", "%s", s.what);
        const QByteArray target = read(s.expectedTarget);
        EXPECT_GT(target.size(), before) << s.what;
        EXPECT_TRUE(target.endsWith(QByteArray(s.what) + "\n")) << s.what;
    }
    EXPECT_EQ(QFileInfo(first).size(), kRotateAbove + 1);
    EXPECT_EQ(logFiles(serviceFolder()).size(), 3);
}

TEST_F(PrinterLog, LinesFromManyThreadsStayWhole)
{
    SetLogEnable(true, LogProgram::PrintMonitorService, root());
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                WriteStringLog("w.cpp", t, "worker", "thread %d line %d %s", t, i, std::string(100, 'a' + t).c_str());
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    QList<QByteArray> lines = read(serviceFolder() + logFiles(serviceFolder()).value(0)).split('\n');
    ASSERT_TRUE(lines.takeLast().isEmpty());
    ASSERT_EQ(lines.size(), kThreads * kLines);
    const QRegularExpression whole(QStringLiteral(
        R"(^\[[^\]]{23}\] \(w\.cpp@(\d) worker\) thread (\d) line \d+ ([a-d])\3{99}$)"));
    for (const QByteArray& line : lines) {
        const auto match = whole.match(QString::fromLatin1(line));
        ASSERT_TRUE(match.hasMatch()) << line.toStdString();
        EXPECT_EQ(match.captured(1), match.captured(2));
    }
}

}  // namespace
