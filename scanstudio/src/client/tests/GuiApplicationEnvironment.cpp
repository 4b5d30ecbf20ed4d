// One QApplication for the whole test program; QT_QPA_PLATFORM=offscreen
// comes from the test environment. The application is never destroyed: Qt's
// offscreen platform leaves its screen and cursor behind when it is, which
// the leak checker would report against every test.

#include <QApplication>

#include <gtest/gtest.h>

namespace {

class GuiApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_app = new QApplication(m_argc, m_argv); }

private:
    int m_argc = 1;
    char m_name[16] = "scanstudio";
    char *m_argv[2] = {m_name, nullptr};
    QApplication *m_app = nullptr;
};

const auto *const registered = ::testing::AddGlobalTestEnvironment(new GuiApplicationEnvironment);

}  // namespace
