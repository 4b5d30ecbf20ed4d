#pragma once

// For tests, demos and benchmarks: hands the stand-in backend a script (the
// key=value lines that StandinScript.h lists) through
// TALIRO_STANDIN_BACKEND_SCRIPT, read at the backend's next init.

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace standin {

// Writes the lines into the file at `path` and names it in the variable. A
// call log named first gets one line per entry point call.
inline void useScript(const std::string &path, const std::vector<std::string> &lines,
                      const std::string &callLog = std::string())
{
    {
        std::ofstream out(path, std::ios::trunc);
        if (!callLog.empty())
            out << "calllog=" << callLog << '\n';
        for (const std::string &line : lines)
            out << line << '\n';
    }
    setenv("TALIRO_STANDIN_BACKEND_SCRIPT", path.c_str(), 1);
}

// The backend's next init keeps its defaults.
inline void dropScript()
{
    unsetenv("TALIRO_STANDIN_BACKEND_SCRIPT");
}

}  // namespace standin
