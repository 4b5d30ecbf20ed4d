#include "DeviceRecordStore.h"

SANE_Device DeviceRecordStore::keep(const SANE_Device &device)
{
    return {keepText(device.name), keepText(device.vendor), keepText(device.model), keepText(device.type)};
}

const char *DeviceRecordStore::keepText(const char *text)
{
    if (!text)
        return nullptr;
    return m_texts.insert(text).first->c_str();
}
