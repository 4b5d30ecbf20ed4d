// The assistant's job cancel through the real CUPS "cancel" of the test
// bed's cupsd: a printer turning to Canceling job cancels the job its queue
// is printing, and nothing of any other queue.

#include "assistant_test_files.h"
#include "child_process.h"
#include "cups_queues.h"
#include "shared_printer_list.h"
#include "temp_folder.h"
#include "trd_device_manage.h"
#include "trd_get_printer_status.h"

#include <gtest/gtest.h>

#include <QTest>

#include <sstream>
#include <string>
#include <vector>

namespace {

using assistant::SharedPrinterList;
using assistant::TrdDeviceManage;
using assistant::TrdGetPrinterStatus;
using namespace assistant_test;

// The ids of the queue's jobs not yet completed.
std::vector<std::string> Jobs(const std::string& queue)
{
    std::string output;
    testbed::runProgram({"/usr/bin/lpstat", "-o", queue}, 10000, &output);
    std::vector<std::string> ids;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string id;
        if (words >> id)
            ids.push_back(id);
    }
    return ids;
}

// One status reader seeing its printer print, then cancel.
void TurnToCanceling(const QString& root, const QString& queue)
{
    SharedPrinterList list;
    list.Replace(TrdDeviceManage::GetInitPrinterList({Printer(queue, 2, QStringLiteral("127.0.0.2"))}));
    TrdGetPrinterStatus reader(root);
    reader.Init(0, &list);
    WriteSnapshot(root, queue, Reply(kDevicePrinting, {}, {}, 1));
    reader.UpdatePrinterStatus();
    WriteSnapshot(root, queue, Reply(kDeviceCanceling, {}, {}, 2));
    reader.UpdatePrinterStatus();
}

TEST(RealCancel, CancelsTheJobItsQueuePrintsAndNothingElse)
{
    ASSERT_TRUE(testbed::addCupsQueue("good", "socket://127.0.0.2:9100", "Taliro TX 560PDN"));
    // A name that cancel and lpstat would read as an option.
    ASSERT_TRUE(testbed::addCupsQueue("-a", "socket://127.0.0.3:9100", "Taliro TX 560PDN"));
    testsupport::TempFolder folder;
    folder.write("job.txt", "page\n");
    const int printing = testbed::printHeldJob("good", folder.file("job.txt"));
    ASSERT_GT(printing, 0);
    ASSERT_EQ(testbed::runProgram({"/usr/bin/lp", "-d", "good", "-o", "raw", folder.file("job.txt")}, 10000), 0);
    const std::string queued = "good-" + std::to_string(printing + 1);
    ASSERT_EQ(Jobs("good"), (std::vector<std::string>{"good-" + std::to_string(printing), queued}));

    const QString root = QString::fromStdString(folder.dir());
    TurnToCanceling(root, QStringLiteral("-a"));
    TurnToCanceling(root, QStringLiteral("good"));
    // The job good printed ends cancelled; the one queued behind it stays.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Jobs("good") == std::vector<std::string>{queued}; }, 10000))
        << "good's jobs: " << ::testing::PrintToString(Jobs("good"));
}

}  // namespace
