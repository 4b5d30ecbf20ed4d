// One application object for the whole test program, set up as the viewer
// sets itself up: its Chinese catalogue installed, whatever the system
// language. The tests run in a UTF-8 locale, the encoding in which ScanStudio
// writes Chinese texts on such a system. The application is never
// destroyed: the offscreen platform leaves its screen behind when it is.

#include "viewer_startup.h"

#include <QApplication>
#include <QTranslator>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class ViewerTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("LC_ALL", "C.UTF-8", 1);
        m_app = new QApplication(m_argc, m_argv);
        installCatalogue(m_translator);
    }

private:
    int m_argc = 1;
    char m_name[16] = "scanlogviewer";
    char *m_argv[2] = {m_name, nullptr};
    QApplication *m_app = nullptr;
    QTranslator m_translator;
};

const auto *const registered = ::testing::AddGlobalTestEnvironment(new ViewerTestEnvironment);

}  // namespace
