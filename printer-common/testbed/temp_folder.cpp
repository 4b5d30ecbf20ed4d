#include "temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace testbed {

TempFolder::TempFolder()
{
    char pattern[] = "/tmp/taliro-testbed-XXXXXX";
    if (mkdtemp(pattern) != nullptr)
        path_ = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}

}  // namespace testbed
