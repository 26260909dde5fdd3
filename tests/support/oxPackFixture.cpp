#include <windows.h>

#include "oxPackFixture.h"
#include "oxProcess.h"
#include "mPackText.h"

bool FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string FakeExtractorBytes(size_t length)
{
    std::string bytes(length, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (size_t i = 2; i < length; ++i)
        bytes[i] = static_cast<char>("fake extractor "[i % 15]);
    return bytes;
}

std::string NoiseBytes(size_t length, uint32_t seed)
{
    std::string bytes(length, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < length; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = static_cast<char>(x >> 24);
    }
    return bytes;
}

std::string Quote(const std::string &argument)
{
    return "\"" + argument + "\"";
}

namespace {

// Drains a pipe on a thread of its own so that a child writing much to
// both streams never blocks.
struct TDrain {
    HANDLE Pipe;
    std::string Text;
};

DWORD WINAPI DrainPipe(void *parameter)
{
    TDrain *drain = static_cast<TDrain *>(parameter);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(drain->Pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        drain->Text.append(buffer, got);
    return 0;
}

}  // namespace

int RunChild(const std::string &commandLine, std::string &out, std::string &err, unsigned timeoutMs)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0))
        return -1;
    if (!CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        CloseHandle(outRead);
        CloseHandle(outWrite);
        return -1;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process;
    std::wstring line = WideOf(commandLine);
    line.push_back(L'\0');
    BOOL started = StartRetrying([&] {
        return CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    });
    const DWORD startError = started ? 0 : GetLastError();
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    int code = -1;
    TDrain outDrain{outRead, std::string()}, errDrain{errRead, std::string()};
    if (started) {
        HANDLE threads[2] = {CreateThread(nullptr, 0, DrainPipe, &outDrain, 0, nullptr),
                             CreateThread(nullptr, 0, DrainPipe, &errDrain, 0, nullptr)};
        if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
            DWORD exitCode = 0;
            GetExitCodeProcess(process.hProcess, &exitCode);
            code = static_cast<int>(exitCode);
        } else {
            TerminateProcess(process.hProcess, 99);
        }
        WaitForMultipleObjects(2, threads, TRUE, 10000);
        CloseHandle(threads[0]);
        CloseHandle(threads[1]);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    out = outDrain.Text;
    err = errDrain.Text;
    if (!started)
        err = "(test) cannot start " + commandLine + ": error " + std::to_string(startError);
    else if (code == -1)
        err += "(test) no end within " + std::to_string(timeoutMs) + " ms";
    return code;
}

namespace {

void AppendLittleEndian(std::string &bytes, uint32_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

} // namespace

std::string IconImageBytes(int size, int bitCount, char pattern)
{
    std::string image;
    const uint32_t pixelRow = ((size * bitCount + 31) / 32) * 4;
    const uint32_t maskRow = ((size + 31) / 32) * 4;
    AppendLittleEndian(image, 40, 4);               // header size
    AppendLittleEndian(image, size, 4);
    AppendLittleEndian(image, size * 2, 4);          // pixels and mask
    AppendLittleEndian(image, 1, 2);                 // planes
    AppendLittleEndian(image, bitCount, 2);
    AppendLittleEndian(image, 0, 4);                 // no compression
    AppendLittleEndian(image, (pixelRow + maskRow) * size, 4);
    AppendLittleEndian(image, 0, 4);
    AppendLittleEndian(image, 0, 4);
    AppendLittleEndian(image, 0, 4);
    AppendLittleEndian(image, 0, 4);
    if (bitCount <= 8)
        image.append(4u << bitCount, pattern);
    image.append(pixelRow * size, pattern);
    image.append(maskRow * size, '\0');
    return image;
}

std::string IconFileBytes(const std::vector<std::pair<int, int>> &images)
{
    std::string file;
    AppendLittleEndian(file, 0, 2);
    AppendLittleEndian(file, 1, 2);
    AppendLittleEndian(file, static_cast<uint32_t>(images.size()), 2);
    std::string data;
    const uint32_t first = 6 + 16 * static_cast<uint32_t>(images.size());
    char pattern = 'a';
    for (const auto &image : images) {
        const std::string bytes = IconImageBytes(image.first, image.second, pattern++);
        file += static_cast<char>(image.first >= 256 ? 0 : image.first);
        file += static_cast<char>(image.first >= 256 ? 0 : image.first);
        file += static_cast<char>(image.second == 4 ? 16 : 0);
        file += '\0';
        // Planes and depth left at 0, as many icon editors write them.
        AppendLittleEndian(file, 0, 2);
        AppendLittleEndian(file, 0, 2);
        AppendLittleEndian(file, static_cast<uint32_t>(bytes.size()), 4);
        AppendLittleEndian(file, first + static_cast<uint32_t>(data.size()), 4);
        data += bytes;
    }
    return file + data;
}
