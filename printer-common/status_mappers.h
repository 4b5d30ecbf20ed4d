#pragma once

#include "printer_records.h"

// Device status code to status; codes outside the table give Unknown.
enPrinterStatus GetPrinterStatusEnum(unsigned long code);
// Device error or warning code to condition; codes outside the table give 0.
enErrorStatus GetErrorStatusEnum(unsigned long code);
// Supply type value to toner type; always 0.
enTonerType GetTonerTypeEnum(unsigned long value);
