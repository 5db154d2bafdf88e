// Stands in for a downloaded installer: records that it ran, with how many arguments, in the
// file named by TREDORA_STANDIN_RECORD; with TREDORA_STANDIN_LINGER_MS it stays a while and
// then records that it was not stopped.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

int main(int argc, char **)
{
    const char *record = std::getenv("TREDORA_STANDIN_RECORD");
    if (!record)
        return 1;
    std::ofstream(record, std::ios::app) << "ran with " << argc - 1 << " arguments\n";
    if (const char *linger = std::getenv("TREDORA_STANDIN_LINGER_MS")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(linger)));
        std::ofstream(record, std::ios::app) << "finished\n";
    }
    return 0;
}
