// The tests run the session's thread like the window does, with one
// application object for the whole test program.

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_app = std::make_unique<QCoreApplication>(m_argc, m_argv); }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "scansdk_tests";
    char *m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QCoreApplication> m_app;
};

const auto *const registered = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
