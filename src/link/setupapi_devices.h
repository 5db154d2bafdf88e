// Windows device-set query for the bus-reported description of every present USB device.
// Kept free of Qt so that it can be compile-checked with a cross compiler on any machine.
#pragma once

#include <string>
#include <vector>

struct UsbDeviceDescription
{
    std::wstring instanceId;  // for example USB\VID_1A86&PID_7523\5&2E0F&0&1
    std::wstring description; // the bus-reported device description
};

// Empty when the device-set library is not loaded in the process.
std::vector<UsbDeviceDescription> enumerateUsbDeviceDescriptions();
