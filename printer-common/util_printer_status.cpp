#include "util_printer_status.h"

#include "status_mappers.h"

#include <algorithm>
#include <cstring>

using namespace status_reply;

namespace {

bool Fits(unsigned long pos, unsigned long count, unsigned long len)
{
    return pos <= len && count <= len - pos;
}

unsigned long ReadNumber(const unsigned char* p, std::size_t size)
{
    unsigned long value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value = (value << 8) | p[i];
    return value;
}

// Reads a number of `size` bytes at `pos` and advances past it.
bool TakeNumber(const unsigned char* buf, unsigned long len, unsigned long& pos,
                std::size_t size, unsigned long& value)
{
    if (!Fits(pos, size, len))
        return false;
    value = ReadNumber(buf + pos, size);
    pos += size;
    return true;
}

// Copies what fits of `count` bytes into a buffer of `size` and NUL-terminates it.
void CopyText(char* dest, std::size_t size, const unsigned char* src, unsigned long count)
{
    const std::size_t copied = std::min<std::size_t>(count, size - 1);
    std::memcpy(dest, src, copied);
    dest[copied] = '\0';
}

QString ToText(const char* text)
{
    return QString::fromUtf8(text);
}

}  // namespace

bool UtilPrinterStatus::parseRecvBuf(const unsigned char* buf, unsigned long len)
{
    if (buf == nullptr)
        return false;
    unsigned long pos = 0;
    for (const Field& field : kLayout) {
        if (!parseField(field, buf, len, pos))
            return false;
    }
    return true;
}

bool UtilPrinterStatus::parseField(const Field& field, const unsigned char* buf,
                                   unsigned long len, unsigned long& pos)
{
    unsigned long value = 0;
    switch (field.kind) {
    case FieldKind::Skipped:
        if (!Fits(pos, field.size, len))
            return false;
        pos += field.size;
        return true;

    case FieldKind::Text16:
    case FieldKind::Text8: {
        const std::size_t lengthSize =
            field.kind == FieldKind::Text16 ? kText16LengthSize : kText8LengthSize;
        if (!TakeNumber(buf, len, pos, lengthSize, value) || !Fits(pos, value, len))
            return false;
        const TextBuffer text = textBuffer(field.id);
        if (text.data != nullptr)
            CopyText(text.data, text.size, buf + pos, value);
        pos += value;
        return true;
    }

    case FieldKind::StatusCode:
        if (!TakeNumber(buf, len, pos, kStatusCodeSize, value))
            return false;
        m_ucStatusCode = static_cast<unsigned char>(value);
        return true;

    case FieldKind::CodeList: {
        QList<quint64>* codes = codeList(field.id);
        if (!TakeNumber(buf, len, pos, kCountSize, value) || !Fits(pos, value * kCodeSize, len))
            return false;
        for (unsigned long i = 0; i < value; ++i) {
            codes->append(ReadNumber(buf + pos, kCodeSize));
            pos += kCodeSize;
        }
        return true;
    }

    case FieldKind::SupplyRecords: {
        unsigned long count = 0;
        if (!TakeNumber(buf, len, pos, kCountSize, count))
            return false;
        for (unsigned long i = 0; i < count; ++i) {
            unsigned long type = 0;
            unsigned long dataLength = 0;
            if (!TakeNumber(buf, len, pos, kSupplyTypeSize, type)
                || !TakeNumber(buf, len, pos, kSupplyLengthSize, dataLength)
                || !Fits(pos, dataLength, len))
                return false;
            setSuppliesData(type, buf + pos, std::min<unsigned long>(dataLength, kSupplyDataCapacity));
            pos += dataLength;
        }
        return true;
    }
    }
    return false;
}

UtilPrinterStatus::TextBuffer UtilPrinterStatus::textBuffer(FieldId id)
{
    switch (id) {
    case FieldId::Vendor: return {m_szVenderName, sizeof m_szVenderName};
    case FieldId::Product: return {m_szProductName, sizeof m_szProductName};
    case FieldId::Serial: return {m_szSerialNumber, sizeof m_szSerialNumber};
    case FieldId::Firmware: return {m_szFWVersion, sizeof m_szFWVersion};
    default: return {nullptr, 0};  // the unnamed text is not kept
    }
}

QList<quint64>* UtilPrinterStatus::codeList(FieldId id)
{
    return id == FieldId::Errors ? &m_listErrorCode : &m_listWarningCode;
}

void UtilPrinterStatus::setSuppliesData(unsigned long type, const unsigned char* data, unsigned long len)
{
    switch (type) {
    case kSupplySerialNumber:
        CopyText(m_szSupplySerialNumber, sizeof m_szSupplySerialNumber, data, len);
        break;
    case kSupplyTonerType: m_dwSupplyType = byteToDWORD(data, len); break;
    case kSupplyRemainingToner: m_dwRemainingToner = byteToDWORD(data, len); break;
    case kSupplyWasteToner: m_dwWasteToner = byteToDWORD(data, len); break;
    case kSupplyOPCRotation: m_dwOPCRotation = byteToDWORD(data, len); break;
    case kSupplyNumberOfPages: m_dwNumberOfPages = byteToDWORD(data, len); break;
    case kSupplyNumberOfPrint: m_dwNumberOfPrint = byteToDWORD(data, len); break;
    case kSupplyPrintDotsCount: m_dwPrintDotsCount = byteToDWORD(data, len); break;
    case kSupplyPrinterNumOfPages: m_dwPrinterNumOfPages = byteToDWORD(data, len); break;
    case kSupplyPrinterNumOfPrint: m_dwPrinterNumOfPrint = byteToDWORD(data, len); break;
    default: break;
    }
}

quint64 UtilPrinterStatus::byteToDWORD(const unsigned char* data, unsigned long len)
{
    if (len == 0)
        return 0;
    if (len >= 2 && len <= 4)
        return ReadNumber(data, len);
    return data[0];
}

void UtilPrinterStatus::fillPrinterState(stPrinterState& state) const
{
    state.strPrinterSerialNumber = ToText(m_szSerialNumber);
    state.enCurrentStatus = GetPrinterStatusEnum(m_ucStatusCode);
    state.strFWVersion = ToText(m_szFWVersion);
    state.strVenderName = ToText(m_szVenderName);
    state.strProductName = ToText(m_szProductName);
    state.iNumberOfError = m_listErrorCode.size();
    state.iNumberOfWarning = m_listWarningCode.size();
    state.listError.clear();
    for (quint64 code : m_listErrorCode)
        state.listError.append(GetErrorStatusEnum(code));
    state.listWarning.clear();
    for (quint64 code : m_listWarningCode)
        state.listWarning.append(GetErrorStatusEnum(code));
    state.strSupplySerialNumber = ToText(m_szSupplySerialNumber);
    state.enSpplyType = GetTonerTypeEnum(m_dwSupplyType);
    state.dwRemainingToner = m_dwRemainingToner;
    state.dwWasteToner = m_dwWasteToner;
    state.dwOPCRotation = m_dwOPCRotation;
    state.dwNumberOfPages = m_dwNumberOfPages;
    state.dwNumberOfPrint = m_dwNumberOfPrint;
    state.dwPrintDotsCount = m_dwPrintDotsCount;
    state.dwPrinterNumOfPages = m_dwPrinterNumOfPages;
    state.dwPrinterNumOfPrint = m_dwPrinterNumOfPrint;
    state.iFailCount = 0;
}
