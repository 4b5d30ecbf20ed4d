#include "daemon_process.h"

#include "scan_client.h"
#include "temp_folder.h"

#include <taliro/install_root.h>

#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string reportFolder() { return std::string(taliro::kInstallRoot) + "sanitizer-reports"; }

// Field n (1-based) of /proc/<pid>/stat, after the command name.
long statField(pid_t pid, int n)
{
    const std::string stat = readWholeFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    for (int i = 3; i <= n && fields >> field; ++i) {
        if (i == n)
            return std::atol(field.c_str());
    }
    return -1;
}

std::vector<pid_t> allProcesses()
{
    std::vector<pid_t> pids;
    if (DIR* proc = opendir("/proc")) {
        while (const dirent* entry = readdir(proc)) {
            const pid_t pid = std::atoi(entry->d_name);
            if (pid > 0)
                pids.push_back(pid);
        }
        closedir(proc);
    }
    return pids;
}

std::string withLogPath(const char* variable, const std::string& file)
{
    const char* current = std::getenv(variable);
    return std::string(current ? current : "") + ":log_path=" + file;
}

}  // namespace

std::string readWholeFile(const std::string& path) { return testsupport::readText(path); }

void writeWholeFile(const std::string& path, const std::string& content) { testsupport::writeText(path, content); }

bool processExists(pid_t pid)
{
    // A zombie has ended too.
    const std::string stat = readWholeFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t close = stat.rfind(')');
    return close != std::string::npos && stat.compare(close + 2, 1, "Z") != 0;
}

pid_t parentOf(pid_t pid) { return static_cast<pid_t>(statField(pid, 4)); }

std::vector<pid_t> childrenOf(pid_t parent)
{
    std::vector<pid_t> children;
    for (pid_t pid : allProcesses()) {
        if (parentOf(pid) == parent && processExists(pid))
            children.push_back(pid);
    }
    return children;
}

std::string descriptorTarget(pid_t pid, int fd)
{
    std::error_code error;
    return std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd), error)
        .string();
}

std::vector<std::string> descriptorTargets(pid_t pid)
{
    std::vector<std::string> targets;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error))
        targets.push_back(std::filesystem::read_symlink(entry.path(), error).string());
    return targets;
}

bool findListeningSocket(int port, std::string& localAddress, std::string& inode)
{
    std::istringstream table(readWholeFile("/proc/net/tcp"));
    std::string line;
    std::getline(table, line);
    char portText[8];
    std::snprintf(portText, sizeof portText, ":%04X", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, node;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> node;
        if (state == "0A" && local.size() > 5 && local.compare(local.size() - 5, 5, portText) == 0) {
            localAddress = local;
            inode = node;
            return true;
        }
    }
    return false;
}

DaemonProcess::~DaemonProcess() { killAll(); }

bool DaemonProcess::start(const std::string& program, const std::vector<std::string>& arguments)
{
    std::filesystem::create_directories(reportFolder());
    const pid_t starter = fork();
    if (starter == 0) {
        setenv("ASAN_OPTIONS", withLogPath("ASAN_OPTIONS", reportFolder() + "/asan").c_str(), 1);
        setenv("UBSAN_OPTIONS", withLogPath("UBSAN_OPTIONS", reportFolder() + "/ubsan").c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (starter < 0 || waitpid(starter, &status, 0) != starter || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    std::string address, inode;
    if (!waitUntil([&] { return findListeningSocket(kScanCommandPort, address, inode); }, 5000))
        return false;
    const std::string socketName = "socket:[" + inode + "]";
    for (pid_t pid : allProcesses()) {
        for (const std::string& target : descriptorTargets(pid)) {
            if (target == socketName)
                listener_ = pid;
        }
    }
    session_ = static_cast<pid_t>(statField(listener_, 6));
    return listener_ > 0 && session_ > 0;
}

void DaemonProcess::killAll()
{
    if (session_ <= 0)
        return;
    waitUntil(
        [&] {
            bool any = false;
            for (pid_t pid : allProcesses()) {
                if (statField(pid, 6) == session_ && processExists(pid)) {
                    kill(pid, SIGKILL);
                    any = true;
                }
            }
            return !any;
        },
        5000);
    session_ = 0;
    listener_ = 0;
}

std::string DaemonProcess::sanitizerReports() const
{
    std::string reports;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(reportFolder(), error))
        reports += readWholeFile(entry.path().string());
    return reports;
}
