// One application object for the whole test program, as the assistant has.
// It stays until the process ends: the offscreen platform leaves its screen
// behind when the application object is destroyed.

#include <QApplication>

#include <gtest/gtest.h>

namespace {

int s_argc = 1;
char s_name[] = "printerassistant_tests";
char* s_argv[] = {s_name, nullptr};
QApplication* s_app = nullptr;

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        s_app = new QApplication(s_argc, s_argv);
        QApplication::setQuitOnLastWindowClosed(false);
    }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
