// Runs with the build installed, a private cupsd and the simulated printer:
// the real PrintMonitorService publishes the queue and writes its status
// file, and the assistant's window shows what the service wrote.

#include "child_process.h"
#include "cups_queues.h"
#include "recording_cancel.h"
#include "recording_widget.h"
#include "sim_printer.h"
#include "status_reply_builder.h"
#include "temp_folder.h"

#include <taliro/install_root.h>

#include <gtest/gtest.h>

#include <QTest>

#include <string>

namespace {

using namespace assistant_test;

TEST(AssistantWithTheService, ShowsTheStatusTheServicePolledFromTheSimulatedPrinter)
{
    testbed::SimPrinter printer("127.0.0.2");
    ASSERT_TRUE(printer.waitListening());
    printer.setReply(BuildStatusReply(SampleStatusReply()));
    ASSERT_TRUE(testbed::addCupsQueue("N1", "socket://127.0.0.2:9100", "Taliro TX 560PDN"));

    const std::string root = taliro::kInstallRoot;
    testbed::ChildProcess service({root + "bin/PrintMonitorService"});
    ASSERT_TRUE(service.started());

    RecordingCancel cancel;
    testsupport::TempFolder home;
    const QString installRoot = QString::fromStdString(root);
    RecordingWidget widget(AssistantPaths{installRoot, QString::fromStdString(home.path()), installRoot + "bin"});

    // The service asks a new printer at once; the status comes from its first reply.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return widget.Table()->rowCount() == 1 && widget.Cell(0, 3) == QStringLiteral("前盖已打开"); }, 60000))
        << "the status cell shows " << widget.Cell(0, 3).toStdString();
    EXPECT_EQ(widget.Cell(0, 0), QStringLiteral("N1"));
    EXPECT_EQ(widget.Cell(0, 1), QStringLiteral("网络(127.0.0.2)"));
    EXPECT_EQ(widget.Cell(0, 2), QStringLiteral("99.50%"));
    ASSERT_FALSE(widget.BalloonsFor(QStringLiteral("N1")).empty());
    EXPECT_EQ(widget.BalloonsFor(QStringLiteral("N1")).front().icon, QSystemTrayIcon::Critical);
}

}  // namespace
