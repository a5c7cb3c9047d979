#include "fuzz/FuzzSupport.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fuzz {

const std::string& ScratchFolder()
{
    static const std::string folder = [] {
        // Without TMPDIR, memory first: every input is written, read and rewritten as files, and a
        // disk turns each rewrite into a flush that costs more than the run itself.
        std::error_code ec;
        const char* tmp = std::getenv("TMPDIR");
        const std::string base = tmp && *tmp                                     ? tmp
                                 : std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm"
                                                                                 : "/tmp";
        std::string pattern = base + "/qosweep-fuzz-XXXXXX";
        FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
        static std::string removeAtExit;
        removeAtExit = pattern;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(removeAtExit, ec);
        });
        return pattern + "/";
    }();
    return folder;
}

std::string WriteScratchFile(const char* name, std::string_view bytes)
{
    const std::string path = ScratchFolder() + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    FUZZ_CHECK(out.good());
    return path;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace fuzz
