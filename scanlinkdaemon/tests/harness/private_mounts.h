#pragma once

// Mounts made by a test in its private mount namespace (tools/private-ns.sh),
// undone at its end, and a /dev of the test's own: the daemon's USB discovery
// then sees only the bus folders the test makes, never the machine's devices.

#include <string>
#include <vector>

class Mounts {
public:
    ~Mounts();
    bool bind(const std::string& source, const std::string& target);
    bool tmpfs(const std::string& target);
    // Undoes the latest mount made on target.
    bool unmount(const std::string& target);

    // Puts a folder on the install root's tmpfs over /dev that holds only
    // null; with `usbBus`, an empty tmpfs at /dev/bus/usb too.
    bool ownDev(bool usbBus);
    // Hides /proc/bus/usb, if the machine has it, under an empty tmpfs over /proc/bus.
    bool hideProcBus();

private:
    bool add(int result, const std::string& target);
    std::vector<std::string> targets_;
};

bool isTmpfs(const std::string& path);
