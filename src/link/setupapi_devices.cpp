#include "link/setupapi_devices.h"

#include <windows.h>
// clang-format off
#include <setupapi.h>
#include <cfgmgr32.h>
#include <devpropdef.h>
// clang-format on

namespace {
// DEVPKEY_Device_BusReportedDeviceDesc
const DEVPROPKEY kBusReportedDeviceDesc = {
    {0x540b947e, 0x8b40, 0x45bc, {0xa8, 0xa2, 0x6a, 0x0b, 0x89, 0x4c, 0xbd, 0xa2}}, 4};
constexpr DWORD kDescriptionBufferBytes = 2048;
constexpr ULONG kMaxInstanceIdChars = 260;

using GetDevicePropertyFn = BOOL(WINAPI *)(HDEVINFO, PSP_DEVINFO_DATA, const DEVPROPKEY *,
                                           DEVPROPTYPE *, PBYTE, DWORD, PDWORD, DWORD);
} // namespace

std::vector<UsbDeviceDescription> enumerateUsbDeviceDescriptions()
{
    std::vector<UsbDeviceDescription> devices;
    // The property call exists only on newer systems: look it up in the loaded module.
    HMODULE module = GetModuleHandleW(L"Setupapi.dll");
    if (!module)
        return devices;
    auto getProperty = reinterpret_cast<GetDevicePropertyFn>(
        reinterpret_cast<void *>(GetProcAddress(module, "SetupDiGetDevicePropertyW")));
    if (!getProperty)
        return devices;

    HDEVINFO set = SetupDiGetClassDevsW(nullptr, L"USB", nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return devices;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof(info);
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &info); ++i) {
        wchar_t id[kMaxInstanceIdChars + 1] = {};
        if (CM_Get_Device_IDW(info.DevInst, id, kMaxInstanceIdChars, 0) != CR_SUCCESS)
            continue;
        // Two spare zero bytes keep the text terminated whatever the call writes.
        BYTE buffer[kDescriptionBufferBytes + sizeof(wchar_t)] = {};
        DEVPROPTYPE type = 0;
        if (!getProperty(set, &info, &kBusReportedDeviceDesc, &type, buffer,
                         kDescriptionBufferBytes, nullptr, 0))
            continue;
        devices.push_back({id, reinterpret_cast<const wchar_t *>(buffer)});
    }
    SetupDiDestroyDeviceInfoList(set);
    return devices;
}
