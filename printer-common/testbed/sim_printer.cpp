#include "sim_printer.h"

#include "hex_text.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#ifndef PRINTER_SIM_PATH
#error "PRINTER_SIM_PATH must name the printer-sim program"
#endif

namespace testbed {

SimPrinter::SimPrinter(const std::string& address, const std::vector<std::string>& extraOptions)
    : address_(address), logPath_(folder_.file("sim.log")), replyPath_(folder_.file("reply.bin"))
{
    std::vector<std::string> argv = {PRINTER_SIM_PATH, "--address", address, "--reply", replyPath_,
                                      "--log",          logPath_};
    argv.insert(argv.end(), extraOptions.begin(), extraOptions.end());
    process_ = std::make_unique<ChildProcess>(argv);
}

bool SimPrinter::waitListening()
{
    return waitForLog([](const std::string& line) { return line.rfind("listening ", 0) == 0; }, 5000);
}

bool SimPrinter::waitForLine(const std::string& wanted, int timeoutMs) const
{
    return waitForLog([&wanted](const std::string& line) { return line == wanted; }, timeoutMs);
}

bool SimPrinter::waitForLog(const std::function<bool(const std::string&)>& wanted, int timeoutMs) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        for (const std::string& line : logLines())
            if (wanted(line))
                return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void SimPrinter::setReply(const std::vector<std::uint8_t>& bytes)
{
    const std::string temporary = replyPath_ + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::rename(temporary.c_str(), replyPath_.c_str());
}

void SimPrinter::setSilent()
{
    std::remove(replyPath_.c_str());
}

std::vector<std::string> SimPrinter::logLines() const
{
    return testsupport::readLines(logPath_);
}

std::vector<SimFrame> SimPrinter::frames() const
{
    // "#<n> from <sender> header <verdict>: <hex>"
    std::vector<SimFrame> frames;
    for (const std::string& line : logLines()) {
        const std::size_t from = line.find(" from ");
        const std::size_t header = line.find(" header ");
        const std::size_t colon = line.find(": ", header == std::string::npos ? 0 : header);
        if (line.empty() || line[0] != '#' || from == std::string::npos || header == std::string::npos ||
            colon == std::string::npos || header < from)
            continue;
        SimFrame frame;
        frame.sender = line.substr(from + 6, header - from - 6);
        frame.header = line.substr(header + 8, colon - header - 8);
        frame.hex = line.substr(colon + 2);
        frames.push_back(frame);
    }
    return frames;
}

std::string hexText(const std::vector<std::uint8_t>& bytes)
{
    return printer_sim::hexText(bytes.data(), bytes.size());
}

}  // namespace testbed
