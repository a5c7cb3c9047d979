// Child program for the process tests.
// Usage: qosweep_test_child exit N | sleep MS | write PATH TEXT | cwd PATH
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const char* verb = argv[1];
    if (std::strcmp(verb, "exit") == 0)
        return std::atoi(argv[2]);
    if (std::strcmp(verb, "sleep") == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
        return 0;
    }
    if (std::strcmp(verb, "write") == 0 && argc >= 4) {
        std::ofstream(argv[2]) << argv[3];
        return 0;
    }
    if (std::strcmp(verb, "cwd") == 0) {
        std::ofstream(argv[2]) << std::filesystem::current_path().string();
        return 0;
    }
    return 2;
}
