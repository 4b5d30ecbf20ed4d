#include "private_mounts.h"

#include "daemon_process.h"

#include <taliro/install_root.h>

#include <algorithm>
#include <filesystem>
#include <linux/magic.h>
#include <sys/mount.h>
#include <sys/vfs.h>

Mounts::~Mounts()
{
    for (auto target = targets_.rbegin(); target != targets_.rend(); ++target)
        umount2(target->c_str(), MNT_DETACH);
}

bool Mounts::bind(const std::string& source, const std::string& target)
{
    return add(mount(source.c_str(), target.c_str(), nullptr, MS_BIND | MS_REC, nullptr), target);
}

bool Mounts::tmpfs(const std::string& target)
{
    return add(mount("tmpfs", target.c_str(), "tmpfs", 0, "mode=0755"), target);
}

bool Mounts::unmount(const std::string& target)
{
    const auto found = std::find(targets_.rbegin(), targets_.rend(), target);
    if (found == targets_.rend() || umount2(target.c_str(), MNT_DETACH) != 0)
        return false;
    targets_.erase(std::next(found).base());
    return true;
}

bool Mounts::ownDev(bool usbBus)
{
    const std::string root = taliro::kInstallRoot;
    if (!isTmpfs(root))
        return false;
    const std::string dev = root + "own-dev";
    std::error_code error;
    std::filesystem::create_directories(dev, error);
    writeWholeFile(dev + "/null", "");
    if (!bind("/dev/null", dev + "/null") || !bind(dev, "/dev") || !isTmpfs("/dev/"))
        return false;
    if (!usbBus)
        return true;
    std::filesystem::create_directories("/dev/bus/usb", error);
    return tmpfs("/dev/bus/usb");
}

bool Mounts::hideProcBus()
{
    return !std::filesystem::exists("/proc/bus/usb") || tmpfs("/proc/bus");
}

bool Mounts::add(int result, const std::string& target)
{
    if (result != 0)
        return false;
    targets_.push_back(target);
    return true;
}

bool isTmpfs(const std::string& path)
{
    struct statfs info {};
    return statfs(path.c_str(), &info) == 0 && info.f_type == TMPFS_MAGIC;
}
