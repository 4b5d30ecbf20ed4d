#include "sim_script.h"

#include "netscan_protocol.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace netscan_sim {

namespace {

bool parseNumber(const std::string& word, long min, long max, long& value)
{
    if (word.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(word.c_str(), &end, 0);
    return errno == 0 && *end == '\0' && value >= min && value <= max;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A header of headerSize bytes: the name, blanks up to the size field at sizeAt, the size, blanks and a line feed.
std::string sized(const char* name, size_t sizeAt, size_t size, size_t headerSize)
{
    char digits[kStreamSizeWidth + 1];
    std::snprintf(digits, sizeof digits, "%06zu", size);
    std::string header = name;
    header.resize(sizeAt, ' ');
    header += digits;
    header.resize(headerSize - 1, ' ');
    return header + "\n";
}

class Parser {
public:
    explicit Parser(Script& script) : script_(script) {}

    bool line(const std::string& text, std::string& error)
    {
        const size_t equals = text.find('=');
        std::istringstream words(text.substr(0, equals));
        std::string word;
        std::vector<std::string> list;
        while (words >> word)
            list.push_back(word);
        if (list.empty())
            return true;
        bool hasText = equals != std::string::npos;
        std::string bytes;
        if (hasText) {
            const size_t from = equals + 1 < text.size() && text[equals + 1] == ' ' ? equals + 2 : equals + 1;
            if (!unescape(text.substr(from), bytes)) {
                error = "bad escape";
                return false;
            }
        }
        for (size_t service = 0; service < static_cast<size_t>(Service::Count); ++service) {
            if (list[0] == kServiceNames[service])
                return answer(static_cast<Service>(service), list, hasText, bytes, error);
        }
        if (list[0] == "job" && list.size() == 1) {
            script_.jobs.emplace_back();
            return true;
        }
        if (script_.jobs.empty()) {
            error = "unknown directive " + list[0];
            return false;
        }
        return step(list, hasText, bytes, error);
    }

private:
    bool answer(Service service, const std::vector<std::string>& words, bool hasText, const std::string& bytes,
                std::string& error)
    {
        Answer answer;
        answer.send = hasText;
        answer.bytes = bytes;
        long announced = -1;
        for (size_t i = 1; i < words.size(); ++i) {
            long value = 0;
            if (words[i] == "hold") {
                answer.hold = true;
            } else if (words[i] == "delay" && i + 1 < words.size() && parseNumber(words[i + 1], 0, 60000, value)) {
                answer.delayMs = value;
                ++i;
            } else if (words[i] == "split" && i + 2 < words.size() &&
                       parseNumber(words[i + 1], 1, 1 << 20, value)) {
                answer.splitAt = static_cast<size_t>(value);
                if (!parseNumber(words[i + 2], 0, 60000, answer.splitMs)) {
                    error = "bad split";
                    return false;
                }
                i += 2;
            } else if (words[i] == "length" && service == Service::Osl && i + 1 < words.size() &&
                       parseNumber(words[i + 1], 0, 0xffffffffL, value)) {
                announced = value;
                ++i;
            } else {
                error = "bad option " + words[i];
                return false;
            }
        }
        if (service == Service::Osl && answer.send) {
            uint8_t length[kAttributeLengthSize];
            writeBigEndian32(static_cast<uint32_t>(announced >= 0 ? announced : static_cast<long>(bytes.size())),
                             length);
            answer.bytes = std::string(reinterpret_cast<const char*>(length), sizeof length) + bytes;
        }
        script_.answers[static_cast<size_t>(service)].push_back(answer);
        return true;
    }

    bool step(const std::vector<std::string>& words, bool hasText, const std::string& bytes, std::string& error)
    {
        Step step;
        long size = 0;
        const std::string& kind = words[0];
        const bool sized = words.size() >= 2 && parseNumber(words[1], 0, kMaxStreamSize, size);
        if (kind == "jobheader" && sized && words.size() == 2) {
            step.bytes = jobHeader(static_cast<size_t>(size)) + std::string(static_cast<size_t>(size), 'J');
        } else if (kind == "newfile" && sized && words.size() == 2) {
            step.bytes = kNewFileHeader + pageHeader(static_cast<size_t>(size)) +
                         std::string(static_cast<size_t>(size), 'P');
        } else if (kind == "data" && sized && (words.size() == 3 || words.size() == 4)) {
            long fill = 0;
            if (!parseNumber(words[2], 0, 255, fill) ||
                (words.size() == 4 && (words[3][0] != 'x' || !parseNumber(words[3].substr(1), 1, 1L << 30, step.count)))) {
                error = "bad data step";
                return false;
            }
            step.bytes = dataHeader(static_cast<size_t>(size)) + std::string(static_cast<size_t>(size), static_cast<char>(fill));
        } else if (kind == "jobdone" && words.size() == 1) {
            step.bytes = kJobDoneHeader;
        } else if (kind == "jobcancel" && words.size() == 1) {
            step.bytes = kJobCancelHeader;
        } else if (kind == "raw" && words.size() == 1 && hasText) {
            step.bytes = bytes;
        } else if (kind == "pause" && words.size() == 2 && parseNumber(words[1], 0, 60000, step.ms)) {
            step.kind = Step::Kind::Pause;
        } else if (kind == "hold" && words.size() == 1) {
            step.kind = Step::Kind::Hold;
        } else {
            error = "bad step " + kind;
            return false;
        }
        script_.jobs.back().push_back(step);
        return true;
    }

    static constexpr long kMaxStreamSize = 999999;
    Script& script_;
};

}  // namespace

bool parseScript(const std::string& text, Script& script, std::string& error)
{
    script = Script();
    Parser parser(script);
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        if (!parser.line(line, error)) {
            error = "line " + std::to_string(number) + ": " + error;
            return false;
        }
    }
    return true;
}

bool unescape(const std::string& text, std::string& bytes)
{
    bytes.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case 'r': bytes += '\r'; break;
        case 'n': bytes += '\n'; break;
        case 't': bytes += '\t'; break;
        case '\\': bytes += '\\'; break;
        case 'x': {
            const int high = i + 1 < text.size() ? hexDigit(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? hexDigit(text[i + 2]) : -1;
            if (high < 0 || low < 0)
                return false;
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default: return false;
        }
    }
    return true;
}

std::string escape(const std::string& bytes)
{
    std::string text;
    for (const char c : bytes) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '\\')
            text += "\\\\";
        else if (c == '\r')
            text += "\\r";
        else if (c == '\n')
            text += "\\n";
        else if (c == '\t')
            text += "\\t";
        else if (byte >= 0x20 && byte < 0x7f)
            text += c;
        else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", byte);
            text += hex;
        }
    }
    return text;
}

std::string jobHeader(size_t size) { return sized("JOBHEAD", kJobHeaderSizeAt, size, kJobHeaderSize); }
std::string pageHeader(size_t size) { return sized("PAGEH", kBlockHeaderSizeAt, size, kBlockHeaderSize); }
std::string dataHeader(size_t size) { return sized("DATA", kBlockHeaderSizeAt, size, kBlockHeaderSize); }

}  // namespace netscan_sim
