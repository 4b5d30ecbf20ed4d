#pragma once

#include "printer_records.h"
#include "status_reply.h"

#include <QList>
#include <QtGlobal>

// Parser of one status reply; use a fresh object per reply.
class UtilPrinterStatus {
public:
    // True only when every field up to the last supply record lies within
    // `len`. Texts longer than their buffer are cut; bytes after the last
    // supply record are ignored.
    bool parseRecvBuf(const unsigned char* buf, unsigned long len);

    // Stores one supply record; unknown types are skipped.
    void setSuppliesData(unsigned long type, const unsigned char* data, unsigned long len);

    // Big-endian number of 2, 3 or 4 bytes; the first byte alone for any
    // other length but 0, which gives 0.
    static quint64 byteToDWORD(const unsigned char* data, unsigned long len);

    // Fills a state from a parsed reply (iFailCount 0).
    void fillPrinterState(stPrinterState& state) const;

private:
    struct TextBuffer {
        char* data;
        std::size_t size;
    };

    bool parseField(const status_reply::Field& field, const unsigned char* buf,
                    unsigned long len, unsigned long& pos);
    TextBuffer textBuffer(status_reply::FieldId id);
    QList<quint64>* codeList(status_reply::FieldId id);

    unsigned char m_ucStatusCode = 0;
    QList<quint64> m_listErrorCode;
    QList<quint64> m_listWarningCode;
    char m_szVenderName[status_reply::kNameBufferSize] = {};
    char m_szProductName[status_reply::kNameBufferSize] = {};
    char m_szSerialNumber[status_reply::kNameBufferSize] = {};
    char m_szFWVersion[status_reply::kVersionBufferSize] = {};
    char m_szSupplySerialNumber[status_reply::kSupplySerialBufferSize] = {};
    quint64 m_dwSupplyType = 0;
    quint64 m_dwRemainingToner = 0;
    quint64 m_dwWasteToner = 0;
    quint64 m_dwOPCRotation = 0;
    quint64 m_dwNumberOfPages = 0;
    quint64 m_dwNumberOfPrint = 0;
    quint64 m_dwPrintDotsCount = 0;
    quint64 m_dwPrinterNumOfPages = 0;
    quint64 m_dwPrinterNumOfPrint = 0;
};
