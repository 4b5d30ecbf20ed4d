// What the status workers read from lpstat: the printer line and the job
// listing, in the forms lpstat prints them.

#include "lpstat_output.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

namespace {

TEST(LpstatPrinterLine, OnlyTheFirstLineSaysWhetherThePrinterPrints)
{
    struct Case {
        const char* output;
        bool printing;
    };
    const Case cases[] = {
        {"printer N1 now printing N1-3.  enabled since Thu Dec 10 13:32:05 2026\n", true},
        {"printer N1 is idle.  enabled since Thu Dec 10 13:32:05 2026\n", false},
        {"打印机 N1 正在打印 N1-1。从 2026年12月10日 开始启用\n", true},
        {"PRINTER N1 NOW PRINTING N1-3.\n", true},
        {"printer N1 is idle.\n\tprinting resumes soon\n", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReportsPrinting(QByteArray(c.output)), c.printing) << c.output;
}

QStringList Ids(const QList<stJobState>& jobs)
{
    QStringList ids;
    for (const stJobState& job : jobs) {
        EXPECT_EQ(job.iState, stJobState::Printing) << job.strJobId.toStdString();
        ids << job.strJobId;
    }
    return ids;
}

// "lpstat -u root -W all -l -o N1" lists root's active jobs in short form
// first (the -u part), then the queue's jobs in long form.
constexpr char kHeldAndDone[] =
    "N1-2                    root              1024   Thu Dec 10 13:32:07 2026\n"
    "N1-1                    root              1024   Thu Dec 10 13:32:05 2026\n"
    "\tStatus: \n"
    "\tAlerts: job-canceled-by-user\n"
    "\tqueued for N1\n"
    "N1-2                    root              1024   Thu Dec 10 13:32:07 2026\n"
    "\tAlerts: job-printing\n"
    "\tqueued for N1\n";

TEST(LpstatJobListing, JobsArePrintingByTheirAlertOrByProcessingWithAnotherAlert)
{
    struct Case {
        const char* what;
        const char* output;
        QStringList printing;
    };
    const Case cases[] = {
        {"printing and cancelled", kHeldAndDone, {"N1-2"}},
        {"processing with another alert",
         "N1-4 root 1024 Thu\n\tStatus: Processing page 2\n\tAlerts: job-hold-until-specified\n", {"N1-4"}},
        {"another alert without processing", "N1-4 root 1024 Thu\n\tAlerts: job-hold-until-specified\n", {}},
        {"processing belongs to its own job",
         "N1-4 root 1024 Thu\n\tStatus: Processing\nN1-5 root 1024 Thu\n\tAlerts: job-incoming\n", {}},
        {"no alert", "N1-6 root 1024 Thu\n\tAlerts: none\n", {}},
        {"tests are case-sensitive", "N1-7 root 1024 Thu\n\tAlerts: JOB-PRINTING\n", {}},
        {"Chinese alert line", "N1-8 root 1024 Thu\n\t警告：job-printing\n", {"N1-8"}},
        {"an indented line that is no tab line", "N1-9 root 1024 Thu\n  Alerts: job-printing\n", {}},
        {"short lines are no job lines", "N1-1 root 1024 Thu\nsummary 3\n\tAlerts: job-printing\n", {"N1-1"}},
        {"empty output", "", {}},
    };
    for (const Case& c : cases) {
        const JobListing listing = ReadJobListing(QByteArray(c.output), {});
        EXPECT_EQ(Ids(listing.printing), c.printing) << c.what;
        EXPECT_TRUE(listing.canceledWhilePrinting.isEmpty()) << c.what;
    }
}

TEST(LpstatJobListing, OnlyAJobSeenPrintingBeforeCountsAsCancelledWhilePrinting)
{
    const QList<stJobState> sawN1OnePrinting = {{QStringLiteral("N1-1"), stJobState::Printing}};
    const QList<stJobState> sawN1OneListed = {{QStringLiteral("N1-1"), stJobState::Listed}};
    const QList<stJobState> sawOtherPrinting = {{QStringLiteral("N1-3"), stJobState::Printing}};

    EXPECT_EQ(ReadJobListing(kHeldAndDone, sawN1OnePrinting).canceledWhilePrinting, QStringList{"N1-1"});
    EXPECT_TRUE(ReadJobListing(kHeldAndDone, sawN1OneListed).canceledWhilePrinting.isEmpty());
    EXPECT_TRUE(ReadJobListing(kHeldAndDone, sawOtherPrinting).canceledWhilePrinting.isEmpty());

    // The check after the cancel no longer holds the job as printing, so a
    // job that stays listed as cancelled is cancelled on the printer once.
    const JobListing first = ReadJobListing(kHeldAndDone, sawN1OnePrinting);
    EXPECT_TRUE(ReadJobListing(kHeldAndDone, first.printing).canceledWhilePrinting.isEmpty());
}

TEST(LpstatJobListing, PrintingJobStaysPrintingWhileCupsStopsIt)
{
    // What lpstat shows of a cancelled job until its backend has ended.
    const QByteArray stopping = "N1-1                    root              1024   Thu Dec 10 14:31:31 2026\n"
                                "\tAlerts: processing-to-stop-point\n"
                                "\tqueued for N1\n";
    const QByteArray cancelled = "N1-1                    root              1024   Thu Dec 10 14:31:31 2026\n"
                                 "\tStatus: \n"
                                 "\tAlerts: job-canceled-by-user\n"
                                 "\tqueued for N1\n";
    QList<stJobState> jobs = {{QStringLiteral("N1-1"), stJobState::Printing}};
    int cancels = 0;
    for (const QByteArray& output : {stopping, stopping, cancelled, cancelled}) {
        const JobListing listing = ReadJobListing(output, jobs);
        cancels += listing.canceledWhilePrinting.size();
        jobs = listing.printing;
    }
    EXPECT_EQ(cancels, 1);

    // A job stopping that was never seen printing is not taken for printing.
    EXPECT_TRUE(ReadJobListing(stopping, {}).printing.isEmpty());
}

}  // namespace
