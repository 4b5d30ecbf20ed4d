#include "lpstat_standin.h"

#include <cstdio>
#include <filesystem>

#ifndef LPSTAT_STANDIN_SCRIPT
#error "LPSTAT_STANDIN_SCRIPT must name lpstat-standin.sh"
#endif

namespace testbed {

LpstatStandin::LpstatStandin()
{
    namespace fs = std::filesystem;
    fs::copy_file(LPSTAT_STANDIN_SCRIPT, program(), fs::copy_options::overwrite_existing);
    fs::permissions(program(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec);
}

void LpstatStandin::setPrinterOutput(const std::string& text)
{
    replace("printer.out", text);
}

void LpstatStandin::setJobOutput(const std::string& text)
{
    replace("jobs.out", text);
}

void LpstatStandin::replace(const std::string& name, const std::string& text)
{
    // Whole or not at all for a stand-in that may be running meanwhile.
    const std::string temporary = folder_.file(name + ".new");
    testsupport::writeText(temporary, text);
    std::rename(temporary.c_str(), folder_.file(name).c_str());
}

std::vector<std::string> LpstatStandin::calls() const
{
    return testsupport::readLines(folder_.file("calls.log"));
}

std::string jobListing(const std::string& jobId, const std::string& alert)
{
    return jobId + "                    root              1024   Thu 10 Dec 2026 13:32:05 UTC\n" + "\tAlerts: " + alert +
           "\n\tqueued for " + jobId.substr(0, jobId.rfind('-')) + "\n";
}

}  // namespace testbed
