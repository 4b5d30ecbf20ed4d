#include "netscan_http.h"

#include "daemon_log.h"
#include "netscan_protocol.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <strings.h>

namespace {

constexpr char kFormRequestHeaders[] =
    "\r\nConnection: Keep-Alive\r\nContent-Type: application/x-www-form-urlencoded\r\n"
    "Accept: text/html, image/gif, image/jpeg, *;q=.2, */*; q=.2\r\nUser-Agent: VeroZidaVuzerarazo\r\n";

constexpr char kAttributeQueryFormat[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<method name=\"getAttribute\" requestID=\"%d\">\r\n"
    "  <arg name=\"objName\">%s</arg>\r\n  <arg name=\"attribName\">%s</arg>\r\n</method>\r\n";

struct AttributeName {
    const char* objName;
    const char* attribName;
    int requestID;
};

// By OSL_CMD_TYPE.
constexpr AttributeName kAttributeNames[] = {
    {"system", "familyType", 10001},
    {"mfp.profileFactory", "getList", 10002},
    {"mfp.scanner", "summary", 10003},
};

std::string decimal(unsigned long value) { return std::to_string(value); }

std::string hostLine(const std::string& address) { return "Host: " + address + "\r\n"; }

// A form request: the request line, the fixed headers, the length and Host lines, an empty line, the body.
std::string formRequest(const char* requestLine, const std::string& hostAddress, const std::string& body)
{
    return requestLine + std::string(kFormRequestHeaders) + "Content-Length: " + decimal(body.size()) + "\r\n" +
           hostLine(hostAddress) + "\r\n" + body;
}

// The value of the leading digits at text[from], held at UINT32_MAX; none without a digit.
std::optional<uint32_t> leadingNumber(const std::string& text, size_t from)
{
    if (from >= text.size() || text[from] < '0' || text[from] > '9')
        return std::nullopt;
    uint64_t value = 0;
    for (size_t i = from; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
        if (value > UINT32_MAX)
            value = UINT32_MAX;
    }
    return static_cast<uint32_t>(value);
}

// Calls take(line) for each line of text; lines end at CR or LF, and empty ones are skipped.
template <class Take>
void forEachLine(const std::string& text, Take take)
{
    size_t begin = 0;
    while (begin < text.size()) {
        const size_t end = text.find_first_of("\r\n", begin);
        const size_t length = (end == std::string::npos ? text.size() : end) - begin;
        if (length > 0)
            take(text.substr(begin, length));
        if (end == std::string::npos)
            break;
        begin = end + 1;
    }
}

// The value of the Content-Length header line, if the header has one.
std::optional<uint32_t> contentLength(const std::string& header)
{
    static constexpr char kName[] = "content-length:";
    std::optional<uint32_t> length;
    forEachLine(header, [&](const std::string& line) {
        if (length || line.size() < sizeof kName - 1 || strncasecmp(line.c_str(), kName, sizeof kName - 1) != 0)
            return;
        size_t at = sizeof kName - 1;
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
            ++at;
        length = leadingNumber(line, at);
    });
    return length;
}

}  // namespace

std::vector<LSP_POST_CMD> scanStartFields(const SettingInfo& info, const std::string& userName)
{
    const bool jpeg = info.compType == COMPRESSION_JPEG;
    const bool feeder = info.feederEnabled != 0;
    const char* depth = info.bitDepth == 1 ? "other" : info.bitDepth == 8 ? "8" : "24";
    return {
        {"SCANTYPE", "2"},
        {"ADVCONTRAST", decimal(info.ContrastParam)},
        {"BACKGROUNDREMOVAL", info.backgroundRemoval != 0 ? decimal(info.backgroundRemovalParam) : ""},
        {"COMPRESSION", "JPEG"},
        {"CONTRAST", "MIXED"},
        {"DARKNESS", decimal(info.BrightnessParam)},
        {"DEPTH", depth},
        {"DOCSOURCE", "0"},
        {"EDGETOEDGE", "0"},
        {"IPADDRESS", kScanStartAddress},
        {"JPEGQUALITY", jpeg ? "70" : ""},
        {"KEEPALIVE", "0"},
        {"NAME", userName},
        {"ORIENTATION", "PORTRAIT"},
        {"RESOLUTION", decimal(info.xResolution)},
        {"SCANSOURCE", decimal(feeder ? SCAN_SOURCE_ADF : SCAN_SOURCE_FLATBED)},
        {"SHARPNESS", "0"},
        {"START_NOW", "1"},
        {"TCPPORT", decimal(kScannerDataPort)},
        {"TYPE", jpeg ? "JPEG" : "RAW"},
        {"SINGLEPAGE", feeder && info.isClient == 0 ? "TRUE" : ""},
        {"CUSTOM_WIDTH", decimal(info.width)},
        {"CUSTOM_HEIGHT", decimal(info.height)},
        {"OFFSETX", decimal(info.xStart)},
        {"OFFSETY", decimal(info.yStart)},
    };
}

std::string formBody(const std::vector<LSP_POST_CMD>& fields)
{
    std::string body;
    for (const LSP_POST_CMD& field : fields)
        body += field.key + "=" + field.value + "&";
    return body;
}

std::string scanStartRequest(const SettingInfo& info, const std::string& userName)
{
    return formRequest(kScanPostRequestLine, kScanStartAddress, formBody(scanStartFields(info, userName)));
}

std::string scanAbortRequest(const std::string& hostAddress)
{
    return formRequest(kScanPostRequestLine, hostAddress, kAbortBody);
}

std::string adfStatusRequest(const std::string& hostAddress)
{
    return formRequest(kAdfStatusRequestLine, hostAddress, "GETADFSTATUS");
}

std::string capabilitiesRequest(const std::string& hostAddress)
{
    // The Host line is followed by an empty line, and the request ends with CR LF LF, as scanners know it.
    return kCapabilitiesRequestLine + std::string("\r\nCache-Control: no-cache\r\nPragma: no-cache\r\n"
                                                  "User-Agent: Jav/1.6.0_18\r\n") +
           hostLine(hostAddress) +
           "\r\nConnection: Keep-Alive\r\nAccept: text/html, image/gif, image/jpeg, *;q=.2, */*; q=.2\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\n\n";
}

std::vector<uint8_t> attributeQuery(int32_t type)
{
    if (type < OSL_CMD_FAMILYTYPE || type > OSL_CMD_SUMMARY)
        return {};
    const AttributeName& name = kAttributeNames[type];
    const int length =
        std::snprintf(nullptr, 0, kAttributeQueryFormat, name.requestID, name.objName, name.attribName);
    if (length < 0)
        return {};
    std::vector<uint8_t> query(kAttributeLengthSize + static_cast<size_t>(length) + 1);
    std::snprintf(reinterpret_cast<char*>(query.data() + kAttributeLengthSize), query.size() - kAttributeLengthSize,
                  kAttributeQueryFormat, name.requestID, name.objName, name.attribName);
    query.pop_back();  // the terminator is not sent
    writeBigEndian32(static_cast<uint32_t>(length), query.data());
    return query;
}

size_t httpBodyStart(const std::string& answer)
{
    for (size_t lineEnd = answer.find('\n'); lineEnd != std::string::npos; lineEnd = answer.find('\n', lineEnd + 1)) {
        if (answer.compare(lineEnd + 1, 1, "\n") == 0)
            return lineEnd + 2;
        if (answer.compare(lineEnd + 1, 2, "\r\n") == 0)
            return lineEnd + 3;
    }
    return std::string::npos;
}

bool httpAnswerComplete(const std::string& answer)
{
    const size_t body = httpBodyStart(answer);
    if (body == std::string::npos)
        return false;
    const std::optional<uint32_t> length = contentLength(answer.substr(0, body));
    return length && answer.size() - body >= *length;
}

int vuro_http_ScanStartResult(const std::string& reply)
{
    const size_t body = httpBodyStart(reply);
    if (body == std::string::npos)
        return kSaneGood;
    std::optional<int> status;
    forEachLine(reply.substr(body), [&](const std::string& line) {
        static constexpr char kKey[] = "RESULT=";
        if (status || line.compare(0, sizeof kKey - 1, kKey) != 0)
            return;
        const std::optional<uint32_t> result = leadingNumber(line, sizeof kKey - 1);
        if (result && *result == RESULT_SUCCESS)
            status = kSaneGood;
        else if (result && *result == RESULT_DEVICEBUSY)
            status = kSaneDeviceBusy;
        else
            status = kSaneInvalid;
    });
    return status.value_or(kSaneGood);
}

void vuro_SetScanCapabilities(const std::string& key, const std::string& value, ScannerCapabilities& capabilities)
{
    struct NumberField {
        const char* key;
        uint32_t ScannerCapabilities::*field;
    };
    static constexpr NumberField kNumbers[] = {
        {"MINRES", &ScannerCapabilities::minres},
        {"MAXRES", &ScannerCapabilities::maxres},
        {"WIDTH_FORMAT", &ScannerCapabilities::width_format},
        {"FAMILY", &ScannerCapabilities::family},
        {"MAX_WIDTH", &ScannerCapabilities::maxWidth},
        {"MAX_HEIGHT", &ScannerCapabilities::maxHeight},
        {"BASIC_RESOLUTION", &ScannerCapabilities::basicres},
    };
    if (key == "DUPLEX")
        capabilities.duplex = value == "true";
    else if (key == "COLOR")
        capabilities.color = value == "COLOR";
    else if (key == "PERMPROFILES")
        capabilities.permprofiles = value == "true";
    else if (key == "PROFILE")
        capabilities.profile = value != "DISABLED";
    for (const NumberField& number : kNumbers) {
        if (key == number.key)
            capabilities.*number.field = leadingNumber(value, 0).value_or(0);
    }
}

void vuro_ParseScanCapabilities(const std::string& body, ScannerCapabilities& capabilities)
{
    logInfo("[TaliroScanSDK] vuro_ParseScanCapabilities \n%s\n", body.c_str());
    forEachLine(body, [&](const std::string& line) {
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            return;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        logInfo("[TaliroScanSDK] %s:%s\n", key.c_str(), value.c_str());
        vuro_SetScanCapabilities(key, value, capabilities);
    });
}

bool adfStatusOfAnswer(const std::string& answer, int32_t& status)
{
    if (answer.empty())
        return false;
    switch (answer.back()) {
    case '1': status = ADF_STATUS_EMPTY; return true;
    case '2': status = ADF_STATUS_LOADED; return true;
    case '3': status = ADF_STATUS_PAPER_JAM; return true;
    default: return false;
    }
}

bool scanStartAnswerReady(const std::string& reply)
{
    const size_t result = reply.find("RESULT=");
    return result != std::string::npos &&
           (reply.find_first_of("\r\n", result) != std::string::npos || httpAnswerComplete(reply));
}
