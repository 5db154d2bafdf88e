// One listing of the machine's serial ports, as the port list refreshes it every second on
// the GUI thread: the sysfs reader the link uses on Linux against QSerialPortInfo's udev walk.
#include "link/portcatalog.h"
#include "link/usbnames.h"

#include <benchmark/benchmark.h>

#include <QSerialPortInfo>

namespace {

void SysfsListing(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(readSysfsUsbSerialPorts());
}
BENCHMARK(SysfsListing)->Unit(benchmark::kMillisecond);

void QSerialPortInfoListing(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(QSerialPortInfo::availablePorts());
}
BENCHMARK(QSerialPortInfoListing)->Unit(benchmark::kMillisecond);

// What a refresh asks of the system: the ports and the USB product names.
void SystemCatalogRefresh(benchmark::State &state)
{
    const SystemPortCatalog catalog;
    for (auto _ : state) {
        benchmark::DoNotOptimize(catalog.availablePorts());
        benchmark::DoNotOptimize(catalog.usbProductNames());
    }
}
BENCHMARK(SystemCatalogRefresh)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
