// The cabinet writer, natively: the input chooses the files (count, sizes
// around the block size, noise or text), the compression, the maximum
// cabinet size and the jobs. The set is written with one job and with
// three (the same bytes), then read back by cabextract, an independent
// reader, and every file compared. Any difference aborts.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "uCabWriter.h"

namespace {

struct TBytes {
    const uint8_t *Data;
    size_t Size;
    size_t At = 0;
    uint32_t Take(uint32_t range)
    {
        uint32_t v = 0;
        for (int i = 0; i < 3; ++i)
            v = v << 8 | (At < Size ? Data[At++] : 0);
        return range ? v % range : 0;
    }
};

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Check(bool ok, const std::string &what)
{
    if (!ok) {
        std::fprintf(stderr, "cabwriter: %s\n", what.c_str());
        std::abort();
    }
}

std::string WriteSet(TCabinetRequest request, unsigned jobs, const std::string &folder)
{
    request.Jobs = jobs;
    request.Folder = folder + "/";
    mkdir(folder.c_str(), 0755);
    TCabinetSet set;
    std::string error;
    Check(WriteCabinetSet(request, set, error), "write: " + error);
    std::string bytes;
    for (const std::string &path : set.Paths)
        bytes += ReadAll(path);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TBytes in{data, size};
    char pattern[] = "/tmp/oxcabfuzzXXXXXX";
    const std::string root = mkdtemp(pattern);
    TCabinetRequest request;
    request.FirstName = "first.cab";
    request.ContinuationStem = "set";
    request.SetId = static_cast<uint16_t>(in.Take(65536));
    request.Compression = in.Take(2) ? TCompression::MsZip : TCompression::None;
    request.MaxCabinetSize = in.Take(3) ? 0 : MinCabinetSize + in.Take(100000);
    const uint32_t files = 1 + in.Take(8);
    const uint32_t near[] = {0, 1, 32767, 32768, 32769, 65536};
    std::vector<std::string> contents;
    for (uint32_t i = 0; i < files; ++i) {
        const uint32_t kind = in.Take(4);
        const uint32_t length = kind == 0 ? near[in.Take(6)] : in.Take(kind == 1 ? 300000 : 70000);
        std::string bytes(length, '\0');
        uint32_t seed = in.Take(0x1000000) | 1;
        for (char &c : bytes) {
            seed = seed * 1103515245u + 12345u;
            c = kind == 3 ? "text of a file, in lines\n"[(seed >> 16) % 25] : static_cast<char>(seed >> 16);
        }
        const std::string name = "f" + std::to_string(i) + ".bin";
        std::ofstream(root + "/" + name, std::ios::binary) << bytes;
        request.Files.push_back({root + "/" + name, name});
        contents.push_back(bytes);
    }
    const std::string one = WriteSet(request, 1, root + "/one");
    Check(one == WriteSet(request, 3, root + "/three"), "another set with three jobs");
    const std::string command = "cabextract -q -d '" + root + "/out' '" + root + "/one/first.cab' >/dev/null 2>&1";
    Check(std::system(command.c_str()) == 0, "cabextract refuses the set in " + root);
    for (uint32_t i = 0; i < files; ++i)
        Check(ReadAll(root + "/out/f" + std::to_string(i) + ".bin") == contents[i],
              "f" + std::to_string(i) + ".bin differs, set in " + root);
    Check(std::system(("rm -rf '" + root + "'").c_str()) == 0, "clean-up");
    return 0;
}
