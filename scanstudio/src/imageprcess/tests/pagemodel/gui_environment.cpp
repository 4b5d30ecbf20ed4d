// One application object for the whole test program (fonts need a GUI
// application); the pages' trace lines are dropped, warnings are kept.

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

void quietDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg)
        fprintf(stderr, "%s\n", qPrintable(message));
}

class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        qInstallMessageHandler(quietDebug);
        m_app = std::make_unique<QGuiApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "pagemodel_tests";
    char *m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QGuiApplication> m_app;
};

const auto *const registered = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

} // namespace
