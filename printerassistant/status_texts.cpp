#include "status_texts.h"

namespace assistant {

// clang-format off
const char* const c_strStatusLanguageText[kStatusTextRows * kLanguageCount] = {
    "Unknown", "未知",  // 0
    "Version mismatch", "数据格式错误或版本不匹配",  // 1
    "Off-line", "脱机",  // 2
    "Ready", "就绪",  // 3
    "Initialize", "初始化",  // 4
    "Busy", "忙碌",  // 5
    "Canceling job", "正在取消任务",  // 6
    "Error", "错误",  // 7
    "Printing", "正在打印",  // 8
    "Scanning", "正在扫描",  // 9
    "Copying", "正在复印",  // 10
    "Reporting", "正在打印报告",  // 11
};

const char* const c_strErrorDescText[kErrorTextRows * kLanguageCount] = {
    "Unknown error status", "错误状态未知",  // 0
    "Fixer error", "定影器错误",  // 1
    "Laser damage", "激光损坏",  // 2
    "No scanner detected", "未检测到扫描仪",  // 3
    "Printer breakdown", "打印机故障",  // 4
    "High temperature printer", "打印机温度较高",  // 5
    "Front cover open", "前盖已打开",  // 6
    "Cartridge with an unsupported serial number inserted", "插入了不支持的序列号的碳粉盒",  // 7
    "Printer and cartridge do not match", "打印机和碳粉盒不匹配",  // 8
    "Toner cartridge is invalid", "碳粉盒无效",  // 9
    "Cartridge error", "碳粉盒错误",  // 10
    "Toner low", "碳粉不足",  // 11
    "Toner empty, low quality", "碳粉已用完，继续打印将影响质量",  // 12
    "Toner empty, replace cartridge", "碳粉已用完，请更换碳粉盒",  // 13
    "Toner is running out", "碳粉不足",  // 14
    "Cartridge will be full", "碳粉盒寿命将要耗尽",  // 15
    "Cartridge's life is full", "碳粉盒寿命已耗尽",  // 16
    "No toner cartridge is placed", "没有检测到碳粉盒",  // 17
    "The waste toner will be full", "废粉箱将满",  // 18
    "The waste toner full", "废粉箱已满",  // 19
    "Cartridge printing paper near the upper limit", "碳粉盒打印页数将达到极限",  // 20
    "Cartridge prints page limit reached", "打印页数已达到极限",  // 21
    "The printer will exceed the design life!", "本机将要超过设计寿命！",  // 22
    "The printer has exceeded the design life!", "本机已超过设计寿命！",  // 23
    "Printer memory overflow", "设备内存不足",  // 24
    "Cooling", "设备温度太高",  // 25
    "ADF paper jam", "ADF卡纸",  // 26
    "ADF no paper", "ADF中无纸",  // 27
    "ADF feed failed", "ADF抽纸失败",  // 28
    "Invalid setting error", "设置无效",  // 29
    "Paper tray is empty", "纸盘中无纸",  // 30
    "Manual feeder does not put paper", "手动进纸器中无纸",  // 31
    "Manual feeder stop", "手动进纸器异常",  // 32
    "Tray does not match", "纸张来源不匹配",  // 33
    "Paper jam inside", "设备内卡纸",  // 34
    "Paper jam in tray", "纸盒内卡纸",  // 35
    "Paper jam rear", "设备后部卡纸",  // 36
    "Paper size does not match", "纸张尺寸不匹配",  // 37
    "Initial setup error", "初始设置错误",  // 38
    "Tablet scan error", "平板扫描出错",  // 39
    "ADF scan without paper", "ADF无纸",  // 40
    "File size exceeds limit", "文件大小超过限制",  // 41
    "Printer breakdown", "打印机故障",  // 42
    "IP settings error", "IP设置错误",  // 43
    "IP conflict", "IP地址冲突",  // 44
};

const char* const c_strErrorSolutionText[kErrorTextRows * kLanguageCount] = {
    "", "",  // 0
    "Restart/contact service", "重启/联系客服",  // 1
    "Restart/contact service", "重启/联系客服",  // 2
    "Restart/contact service", "重启/联系客服",  // 3
    "Restart/contact service", "重启/联系客服",  // 4
    "Stop Printing/Shut Down Waiting for Cooling/Contacting service", "停止打印/关机等待冷却/联系客服",  // 5
    "Close the front cover", "关闭前盖板",  // 6
    "Please check the toner cartridge", "请检查碳粉盒",  // 7
    "Please check the toner cartridge", "请检查碳粉盒",  // 8
    "Please check the toner cartridge", "请检查碳粉盒",  // 9
    "Please check the toner cartridge", "请检查碳粉盒",  // 10
    "Replace the toner cartridge", "请更换碳粉盒",  // 11
    "Replace the toner cartridge", "请更换碳粉盒",  // 12
    "Replace the toner cartridge", "请更换碳粉盒",  // 13
    "Replace the toner cartridge", "请更换碳粉盒",  // 14
    "Replace the toner cartridge", "请更换碳粉盒",  // 15
    "Replace the toner cartridge", "请更换碳粉盒",  // 16
    "Replace the toner cartridge", "请更换碳粉盒",  // 17
    "Replace the toner cartridge", "请更换碳粉盒",  // 18
    "Replace the toner cartridge", "请更换碳粉盒",  // 19
    "Replace the toner cartridge", "请更换碳粉盒",  // 20
    "Replace the toner cartridge", "请更换碳粉盒",  // 21
    "", "",  // 22
    "Contact service", "联系客服",  // 23
    "Restart/contact service", "重启/联系客服",  // 24
    "Waiting for cooling", "请等待冷却",  // 25
    "Please pull out the paper", "请拉出纸张",  // 26
    "Please insert the paper", "请插入文稿",  // 27
    "Check ADF", "检查ADF",  // 28
    "Re-setting", "重新进行设置",  // 29
    "Please insert the paper", "请插入文稿",  // 30
    "Check the manual feeder", "请检查手动进纸器",  // 31
    "Please send paper from manual feeder", "请从手动进纸器送纸",  // 32
    "Insert tray", "插入纸盘",  // 33
    "Pull out the paper", "请拉出纸张",  // 34
    "Pull out the paper", "请拉出纸张",  // 35
    "Pull out the paper", "请拉出纸张",  // 36
    "Please check the paper setting and actual paper size", "请检查纸张设置和实际纸张尺寸",  // 37
    "Restart/contact service", "重启/联系客服",  // 38
    "Restart/contact service", "重启/联系客服",  // 39
    "Check the ADF paper placement", "检查ADF纸张放入位置",  // 40
    "Reset the paper size", "重新设置纸张大小",  // 41
    "Restart/contact service", "重启/联系客服",  // 42
    "Reset IP", "重新设置IP",  // 43
    "Reset IP", "重新设置IP",  // 44
};
// clang-format on

namespace {

QString Lookup(const char* const* table, int rows, int value, int language)
{
    if (value < 0 || value >= rows)
        value = 0;
    if (language < 0 || language >= kLanguageCount)
        language = kLanguageChinese;
    return QString::fromUtf8(table[value * kLanguageCount + language]);
}

}  // namespace

QString StatusText(int status, int language)
{
    return Lookup(c_strStatusLanguageText, kStatusTextRows, status, language);
}

QString ErrorDescText(int error, int language)
{
    return Lookup(c_strErrorDescText, kErrorTextRows, error, language);
}

QString ErrorSolutionText(int error, int language)
{
    return Lookup(c_strErrorSolutionText, kErrorTextRows, error, language);
}

}  // namespace assistant
