#include "ExtractFixture.h"
#include <gtest/gtest.h>
#include <algorithm>
#include "oxPackFixture.h"
#include "oxProcess.h"
#include "oxWindows.h"
#include "oxTest.h"

namespace {

void SetAttributes(const std::string &path, DWORD attributes)
{
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
}

void CollectFiles(const std::string &root, const std::string &relative, std::vector<std::string> &names)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((root + relative + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(root, relative + name + "\\", names);
        else
            names.push_back(relative + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

int64_t LastWrite(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

} // namespace

std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

void MakePayloadTree(const std::string &folder)
{
    std::string compressible;
    for (int i = 0; compressible.size() < 200000; ++i)
        compressible += "line " + std::to_string(i) + " of a text that compresses well\r\n";
    CreateDirectoryA((folder + "sub").c_str(), nullptr);
    CreateDirectoryA((folder + "sub\\deeper").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(folder + "empty.bin", ""));
    ASSERT_TRUE(WriteWholeFile(folder + "one.txt", "1"));
    ASSERT_TRUE(WriteWholeFile(folder + "sub\\noise.bin", NoiseBytes(150000, 7)));
    ASSERT_TRUE(WriteWholeFile(folder + "sub\\deeper\\text.txt", compressible));
    ASSERT_TRUE(WriteWholeFile(folder + "readonly.txt", "keep me"));
    ASSERT_TRUE(WriteWholeFile(folder + "hidden.dat", "hidden"));
    SetAttributes(folder + "readonly.txt", FILE_ATTRIBUTE_READONLY);
    SetAttributes(folder + "hidden.dat", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
}

std::vector<std::string> FilesBelow(const std::string &folder)
{
    std::vector<std::string> names;
    CollectFiles(folder, "", names);
    std::sort(names.begin(), names.end());
    return names;
}

void ExpectSameTree(const std::string &source, const std::string &target)
{
    const std::vector<std::string> names = FilesBelow(source);
    ASSERT_EQ(names, FilesBelow(target));
    const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    for (const std::string &name : names) {
        EXPECT_TRUE(ReadWholeFile(source + name) == ReadWholeFile(target + name)) << name;
        EXPECT_EQ(GetFileAttributesA((source + name).c_str()) & kept,
                  GetFileAttributesA((target + name).c_str()) & kept)
            << name;
        const int64_t difference = LastWrite(source + name) - LastWrite(target + name);
        EXPECT_TRUE(difference >= 0 && difference < 20000000) << name << ": " << difference;
    }
}

TPackOptions PackageOf(const std::string &payload, const std::string &folder, const std::string &destination)
{
    TPackOptions options;
    options.OutputPath = folder + "package.exe";
    options.Title = "Extraction test";
    options.Destination = destination;
    std::string error;
    EXPECT_TRUE(AddFolderFiles(payload, options.Files, error)) << error;
    return options;
}

TRunResult RunPackage(const std::string &package, const std::string &arguments, const std::string &folder,
                      DWORD timeoutMs)
{
    TRunResult result;
    TChild child = StartChild(Quoted(package) + (arguments.empty() ? "" : " " + arguments), folder);
    EXPECT_TRUE(child.Process) << package;
    if (!child.Process)
        return result;
    // A run that shows nothing ends by itself; only one still running
    // after a while is looked at for a box.
    if (WaitForSingleObject(child.Process, timeoutMs) == WAIT_TIMEOUT) {
        TBox box = WaitForBox(child, 2000);
        if (box.Window) {
            result.BoxShown = true;
            result.BoxText = box.Text;
            PressButton(box, box.Buttons.empty() ? IDOK : box.Buttons.front());
        }
    }
    result.ExitCode = FinishChild(child, 20000);
    EXPECT_TRUE(WaitForDescendants(child)) << "still running: " << RunningDescendants(child);
    return result;
}

TRunResult RunAndAnswer(const std::string &package, const std::string &folder, int answer,
                        const std::string &arguments)
{
    TRunResult result;
    TChild child = StartChild(Quoted(package) + (arguments.empty() ? "" : " " + arguments), folder);
    EXPECT_TRUE(child.Process) << package;
    if (!child.Process)
        return result;
    HWND progress = WaitForDialog(child, 101, 20000);
    EXPECT_TRUE(progress) << "no progress dialog";
    TBox box = WaitForNewBox(child, {progress});
    if (box.Window) {
        result.BoxShown = true;
        result.BoxText = box.Text;
        PressButton(box, answer ? answer : box.Buttons.empty() ? IDOK : box.Buttons.front());
    }
    result.ExitCode = FinishChild(child, 30000);
    EXPECT_TRUE(WaitForDescendants(child)) << "still running: " << RunningDescendants(child);
    return result;
}

std::string RecordPath(const std::string &folder)
{
    return folder + "record.txt";
}

std::vector<std::string> RecordLines(const std::string &recordPath, size_t expected)
{
    // A program started without waiting may still be writing.
    WaitFor([&] { return RecordLines(recordPath).size() >= expected; }, 10000);
    return RecordLines(recordPath);
}

std::vector<std::string> RecordLines(const std::string &recordPath)
{
    std::vector<std::string> lines;
    const std::string text = ReadWholeFile(recordPath);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

void AddRecorder(const std::string &folder, const std::string &name)
{
    ASSERT_TRUE(CopyFileA((BinFolder() + "payload_recorder.exe").c_str(), (folder + name).c_str(), FALSE));
}

std::string TestTempFolder()
{
    char buffer[MAX_PATH];
    GetTempPathA(MAX_PATH, buffer);
    return buffer;
}

std::vector<std::string> WorkFolders()
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((TestTempFolder() + "qbxr_installer*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            names.push_back(found.cFileName);
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return names;
}
