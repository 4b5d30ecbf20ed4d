#pragma once

// The assistant's status and error texts as the product defines them, one row
// per value, kept apart from the program's own tables.

struct StatusRow {
    int value;
    const char* english;
    const char* chinese;
};

struct ErrorRow {
    int value;
    const char* english;
    const char* chinese;
    const char* remedyEnglish;
    const char* remedyChinese;
};

// clang-format off
inline constexpr StatusRow kStatusRows[] = {
    {0, "Unknown", "未知"},
    {1, "Version mismatch", "数据格式错误或版本不匹配"},
    {2, "Off-line", "脱机"},
    {3, "Ready", "就绪"},
    {4, "Initialize", "初始化"},
    {5, "Busy", "忙碌"},
    {6, "Canceling job", "正在取消任务"},
    {7, "Error", "错误"},
    {8, "Printing", "正在打印"},
    {9, "Scanning", "正在扫描"},
    {10, "Copying", "正在复印"},
    {11, "Reporting", "正在打印报告"},
};

inline constexpr ErrorRow kErrorRows[] = {
    {0, "Unknown error status", "错误状态未知", "", ""},
    {1, "Fixer error", "定影器错误", "Restart/contact service", "重启/联系客服"},
    {2, "Laser damage", "激光损坏", "Restart/contact service", "重启/联系客服"},
    {3, "No scanner detected", "未检测到扫描仪", "Restart/contact service", "重启/联系客服"},
    {4, "Printer breakdown", "打印机故障", "Restart/contact service", "重启/联系客服"},
    {5, "High temperature printer", "打印机温度较高", "Stop Printing/Shut Down Waiting for Cooling/Contacting service", "停止打印/关机等待冷却/联系客服"},
    {6, "Front cover open", "前盖已打开", "Close the front cover", "关闭前盖板"},
    {7, "Cartridge with an unsupported serial number inserted", "插入了不支持的序列号的碳粉盒", "Please check the toner cartridge", "请检查碳粉盒"},
    {8, "Printer and cartridge do not match", "打印机和碳粉盒不匹配", "Please check the toner cartridge", "请检查碳粉盒"},
    {9, "Toner cartridge is invalid", "碳粉盒无效", "Please check the toner cartridge", "请检查碳粉盒"},
    {10, "Cartridge error", "碳粉盒错误", "Please check the toner cartridge", "请检查碳粉盒"},
    {11, "Toner low", "碳粉不足", "Replace the toner cartridge", "请更换碳粉盒"},
    {12, "Toner empty, low quality", "碳粉已用完，继续打印将影响质量", "Replace the toner cartridge", "请更换碳粉盒"},
    {13, "Toner empty, replace cartridge", "碳粉已用完，请更换碳粉盒", "Replace the toner cartridge", "请更换碳粉盒"},
    {14, "Toner is running out", "碳粉不足", "Replace the toner cartridge", "请更换碳粉盒"},
    {15, "Cartridge will be full", "碳粉盒寿命将要耗尽", "Replace the toner cartridge", "请更换碳粉盒"},
    {16, "Cartridge's life is full", "碳粉盒寿命已耗尽", "Replace the toner cartridge", "请更换碳粉盒"},
    {17, "No toner cartridge is placed", "没有检测到碳粉盒", "Replace the toner cartridge", "请更换碳粉盒"},
    {18, "The waste toner will be full", "废粉箱将满", "Replace the toner cartridge", "请更换碳粉盒"},
    {19, "The waste toner full", "废粉箱已满", "Replace the toner cartridge", "请更换碳粉盒"},
    {20, "Cartridge printing paper near the upper limit", "碳粉盒打印页数将达到极限", "Replace the toner cartridge", "请更换碳粉盒"},
    {21, "Cartridge prints page limit reached", "打印页数已达到极限", "Replace the toner cartridge", "请更换碳粉盒"},
    {22, "The printer will exceed the design life!", "本机将要超过设计寿命！", "", ""},
    {23, "The printer has exceeded the design life!", "本机已超过设计寿命！", "Contact service", "联系客服"},
    {24, "Printer memory overflow", "设备内存不足", "Restart/contact service", "重启/联系客服"},
    {25, "Cooling", "设备温度太高", "Waiting for cooling", "请等待冷却"},
    {26, "ADF paper jam", "ADF卡纸", "Please pull out the paper", "请拉出纸张"},
    {27, "ADF no paper", "ADF中无纸", "Please insert the paper", "请插入文稿"},
    {28, "ADF feed failed", "ADF抽纸失败", "Check ADF", "检查ADF"},
    {29, "Invalid setting error", "设置无效", "Re-setting", "重新进行设置"},
    {30, "Paper tray is empty", "纸盘中无纸", "Please insert the paper", "请插入文稿"},
    {31, "Manual feeder does not put paper", "手动进纸器中无纸", "Check the manual feeder", "请检查手动进纸器"},
    {32, "Manual feeder stop", "手动进纸器异常", "Please send paper from manual feeder", "请从手动进纸器送纸"},
    {33, "Tray does not match", "纸张来源不匹配", "Insert tray", "插入纸盘"},
    {34, "Paper jam inside", "设备内卡纸", "Pull out the paper", "请拉出纸张"},
    {35, "Paper jam in tray", "纸盒内卡纸", "Pull out the paper", "请拉出纸张"},
    {36, "Paper jam rear", "设备后部卡纸", "Pull out the paper", "请拉出纸张"},
    {37, "Paper size does not match", "纸张尺寸不匹配", "Please check the paper setting and actual paper size", "请检查纸张设置和实际纸张尺寸"},
    {38, "Initial setup error", "初始设置错误", "Restart/contact service", "重启/联系客服"},
    {39, "Tablet scan error", "平板扫描出错", "Restart/contact service", "重启/联系客服"},
    {40, "ADF scan without paper", "ADF无纸", "Check the ADF paper placement", "检查ADF纸张放入位置"},
    {41, "File size exceeds limit", "文件大小超过限制", "Reset the paper size", "重新设置纸张大小"},
    {42, "Printer breakdown", "打印机故障", "Restart/contact service", "重启/联系客服"},
    {43, "IP settings error", "IP设置错误", "Reset IP", "重新设置IP"},
    {44, "IP conflict", "IP地址冲突", "Reset IP", "重新设置IP"},
};
// clang-format on
