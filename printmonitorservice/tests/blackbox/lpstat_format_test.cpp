// The status worker's reading of the real lpstat against the test bed's
// cupsd: a held job shows as printing, a cancelled one as cancelled by the
// user, whatever language the service was started in.

#include "child_process.h"
#include "cups_command.h"
#include "cups_queues.h"
#include "fake_usb.h"
#include "lpstat_output.h"
#include "temp_folder.h"
#include "trd_get_printer_status.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>

#include <cstdlib>

namespace {

TEST(RealLpstat, HeldAndCancelledJobsReadAsTheWorkerExpects)
{
    // A desktop language CUPS has messages for; set before the first command.
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    ASSERT_TRUE(testbed::addCupsQueue("N1", "socket://127.0.0.2:9100", "Taliro TX 560PDN"));

    testsupport::TempFolder root;
    usb_testing::FakeUsb usb;
    MonitorConfig config;
    config.installRoot = QString::fromStdString(root.dir());
    config.cupsFolder = QStringLiteral("/etc/cups/");
    config.lpstatProgram = QStringLiteral("lpstat");
    config.jobUser = QStringLiteral("root");
    config.usb = &usb;
    SharedPrinterList printers;
    stPrinterManager entry;
    entry.info = {QStringLiteral("N1"), QStringLiteral("Taliro TX 560PDN"), 2, QStringLiteral("127.0.0.2"),
                  QStringLiteral("socket://127.0.0.2:9100")};
    entry.state.enCurrentStatus = PRINTER_STATUS_READY;
    printers.printers = {entry};
    TrdGetPrinterStatus worker(config);
    worker.Init(0, &printers);
    bool pollEnabled = false;
    ASSERT_TRUE(worker.LoadEntry(pollEnabled));

    int interval = 0;
    EXPECT_FALSE(worker.CheckNeedStatus(interval)) << "an idle queue";
    EXPECT_EQ(interval, 100);

    root.write("job.txt", "page\n");
    const int job = testbed::printHeldJob("N1", root.file("job.txt"));
    ASSERT_GT(job, 0);
    const QString id = QStringLiteral("N1-%1").arg(job);
    EXPECT_TRUE(worker.CheckNeedStatus(interval)) << "a queue printing";
    EXPECT_EQ(interval, 1000);
    worker.CheckJobStatus();
    ASSERT_EQ(worker.Entry().listJob.size(), 1);
    EXPECT_EQ(worker.Entry().listJob[0].strJobId, id);

    // In the service's language lpstat would not say "printing".
    std::string german;
    ASSERT_EQ(testbed::runProgram({"/usr/bin/lpstat", "-p", "N1"}, 10000, &german), 0);
    if (german.find("druckt") != std::string::npos) {
        EXPECT_FALSE(ReportsPrinting(QByteArray::fromStdString(german))) << german;
    }

    ASSERT_EQ(testbed::runProgram({"/usr/bin/cancel", id.toStdString()}, 10000), 0);
    const QStringList listing = {"-u", "root", "-W", "all", "-l", "-o", "N1"};
    // cupsd marks the job cancelled once its backend has ended: wait for that.
    QElapsedTimer waited;
    waited.start();
    JobListing afterCancel = ReadJobListing(RunCupsCommand("lpstat", listing), worker.Entry().listJob);
    while (afterCancel.canceledWhilePrinting.isEmpty() && waited.elapsed() < 10000) {
        QThread::msleep(50);
        afterCancel = ReadJobListing(RunCupsCommand("lpstat", listing), worker.Entry().listJob);
    }
    EXPECT_EQ(afterCancel.canceledWhilePrinting, QStringList{id});
    EXPECT_TRUE(afterCancel.printing.isEmpty());
    EXPECT_FALSE(worker.CheckNeedStatus(interval)) << "idle again";
}

}  // namespace
