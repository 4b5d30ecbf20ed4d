// The parameters the stand-in reports for scripted page sizes: zero, negative
// and huge ones stay possible, so the page model's size checks can be tested,
// and a line that does not fit an int reports INT_MAX bytes.

#include "StandinScriptFile.h"
#include "temp_folder.h"

#include <sane/sane.h>

#include <climits>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <string>

namespace {

template <class Function>
Function bind(void *library, const char *name)
{
    return reinterpret_cast<Function>(dlsym(library, name));
}

TEST(StandinParameters, ScriptedWidthsGiveLinesOfThreeBytesAPixelHeldToInt)
{
    struct Case {
        int width;
        SANE_Int bytesPerLine;
    } cases[] = {
        {0, 0}, {-1, -3}, {-5, -15}, {2480, 7440}, {715827882, 2147483646}, {715827883, INT_MAX},
        {INT_MAX, INT_MAX}, {-715827883, INT_MAX}, {INT_MIN + 1, INT_MAX},
    };
    testsupport::TempFolder folder;
    for (const Case &c : cases) {
        standin::useScript(folder.file("script"), {"report_width=" + std::to_string(c.width), "report_height=-7"});
        void *library = dlopen(STANDIN_BACKEND, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        const auto init = bind<SANE_Status (*)(SANE_Int *, SANE_Auth_Callback)>(library, "sane_vuro_q804_init");
        const auto open = bind<SANE_Status (*)(SANE_String_Const, SANE_Handle *)>(library, "sane_vuro_q804_open");
        const auto parameters =
            bind<SANE_Status (*)(SANE_Handle, SANE_Parameters *)>(library, "sane_vuro_q804_get_parameters");
        SANE_Int version = 0;
        SANE_Handle handle = nullptr;
        SANE_Parameters params{};
        ASSERT_EQ(init(&version, nullptr), SANE_STATUS_GOOD);
        ASSERT_EQ(open("taliro:usb:q804", &handle), SANE_STATUS_GOOD);
        ASSERT_EQ(parameters(handle, &params), SANE_STATUS_GOOD);
        EXPECT_EQ(params.pixels_per_line, c.width);
        EXPECT_EQ(params.bytes_per_line, c.bytesPerLine) << c.width;
        EXPECT_EQ(params.lines, -7);
        dlclose(library);
    }
    standin::dropScript();
}

}  // namespace
