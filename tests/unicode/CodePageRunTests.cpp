// Packages whose names lie outside one code page, built and extracted by
// the real programs under code pages 1252, 1251 and 932. Wine takes a
// process's ANSI code page from the locale it was started in, and a child
// keeps its parent's whatever LC_ALL the parent sets: so the build runs
// this program once per code page (LC_ALL, and OX_CODE_PAGE, the page it
// must find), and every package runs under the program's own page.
// setup.sh makes the three locales into a private folder, which LOCPATH
// points to, and the payload tree and gcab's cabinet of it.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>

#include "mPackText.h"
#include "oxPackages.h"
#include "oxPackFixture.h"
#include "oxProcess.h"
#include "oxTest.h"
#include "oxWindows.h"
#include "uPackage.h"
#include "ui/uResourceIds.h"

namespace {

std::string Page()
{
    return std::to_string(GetACP());
}

// The build folder holds bin\ and what setup.sh made.
std::string BuildFolder()
{
    std::string bin = BinFolder();
    bin.pop_back();
    return bin.substr(0, bin.find_last_of('\\') + 1);
}

std::string PayloadFolder()
{
    return BuildFolder() + "unicode\\payload\\";
}

std::string ReadWide(const std::wstring &path)
{
    std::string bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return "(missing)";
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(h);
    return bytes;
}

// Every file below folder (wide, folder form) by its relative name, UTF-8.
void ListTree(const std::wstring &folder, const std::string &relative, std::map<std::string, std::string> &files)
{
    WIN32_FIND_DATAW entry;
    HANDLE h = FindFirstFileW((folder + WideOf(relative) + L"*").c_str(), &entry);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = Utf8Of(entry.cFileName);
        if (name == "." || name == "..")
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListTree(folder, relative + name + "\\", files);
        else
            files[relative + name] = ReadWide(folder + WideOf(relative + name));
    } while (FindNextFileW(h, &entry));
    FindClose(h);
}

// The extracted tree equals the payload byte for byte, name for name.
void ExpectSameTree(const std::string &destination)
{
    std::map<std::string, std::string> source, extracted;
    ListTree(WideOf(PayloadFolder()), std::string(), source);
    ListTree(WideOf(destination), std::string(), extracted);
    ASSERT_EQ(6u, source.size()) << "setup.sh made no payload";
    EXPECT_EQ(source, extracted) << "code page " << Page();
}

// Runs a package silently; its exit code.
DWORD RunSilently(const std::string &package)
{
    TChild child = StartChild(Quote(package) + " $SILENT$");
    return FinishChild(child, 120000);
}

struct CodePageRuns : ::testing::Test {
    std::string Folder;
    void SetUp() override
    {
        Folder = NewTestFolder("cprun");
        ASSERT_FALSE(Folder.empty());
    }
    void TearDown() override { RemoveTestFolder(Folder); }
};

}  // namespace

// Without this, every test below could pass under 1252 alone.
TEST_F(CodePageRuns, RunsUnderTheCodePageItWasStartedFor)
{
    char wanted[16] = "";
    ASSERT_GT(GetEnvironmentVariableA("OX_CODE_PAGE", wanted, sizeof wanted), 0u) << "the build sets OX_CODE_PAGE";
    EXPECT_EQ(std::string(wanted), Page());
}

// Packed and extracted under the code page of the run: every name right,
// every byte right.
TEST_F(CodePageRuns, PackageFromOxpackExtractsEveryName)
{
    TPackOptions options;
    options.ExtractorPath = BinFolder() + "oxtarn.exe";
    options.OutputPath = Folder + "p" + Page() + ".exe";
    options.Title = "Test";
    options.Destination = Folder + "out" + Page() + "\\";
    std::string error;
    ASSERT_TRUE(AddFolderFiles(PayloadFolder(), options.Files, error)) << error;
    BuildTestPackage(options);
    EXPECT_EQ(0u, RunSilently(options.OutputPath));
    ExpectSameTree(options.Destination);
}

// A package whose texts are in code page 932, as its extension area
// records: under any code page of the system, its windows show them and
// its folder is named by them.
TEST_F(CodePageRuns, TextsInTheRecordedCodePageAreShownAndNamedRight)
{
    ASSERT_TRUE(WriteWholeFile(Folder + "a.txt", "a"));
    const std::string cabinet = CabinetOf({{Folder + "a.txt", "a.txt"}}, Folder);
    std::vector<std::string> lines = RawSettingsLines(Folder + "\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b");
    lines[3] = "\x93\xfa\x96\x7b\x8c\xea";                                      // 日本語
    lines[5] = "\x8e\x67\x97\x70\x8b\x96\x91\xf8\x8c\x5f\x96\xf1";          // 使用許諾契約
    lines.insert(lines.end(), {"$EXTENSIONS$", "CODEPAGE=932"});
    const std::string package = Folder + "cp932.exe";
    WriteRawCabinetPackage(package, lines, cabinet);

    TChild child = StartChild(Quote(package));
    HWND licence = WaitForDialog(child, IDC_LICENCE_TEXT);
    ASSERT_NE(nullptr, licence);
    auto text = [](HWND window) {
        wchar_t buffer[256] = L"";
        SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer));
        return std::wstring(buffer);
    };
    EXPECT_EQ(L"Kelvardo Tovrex - \u65E5\u672C\u8A9E", text(licence));
    EXPECT_EQ(L"\u4F7F\u7528\u8A31\u8AFE\u5951\u7D04", text(GetDlgItem(licence, IDC_LICENCE_TEXT)));
    EXPECT_TRUE(Click(licence, IDC_LICENCE_YES));
    EXPECT_EQ(0u, FinishChild(child, 120000));
    EXPECT_EQ("a", ReadWide(WideOf(Folder) + L"\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB\\a.txt"));

    // A code page the system lacks: the texts as the system's, and the log
    // says so.
    lines = RawSettingsLines(Folder + "unknown");
    lines.insert(lines.end(), {"$EXTENSIONS$", "CODEPAGE=12345"});
    WriteRawCabinetPackage(package, lines, cabinet);
    TChild silent = StartChild(Quote(package) + " $SILENT$ \"$LOG$=" + Folder + "log.txt\"");
    EXPECT_EQ(0u, FinishChild(silent, 120000));
    EXPECT_EQ("a", ReadWholeFile(Folder + "unknown\\a.txt"));
    EXPECT_NE(std::string::npos, ReadWholeFile(Folder + "log.txt").find("not on this system"));
}

// A password typed in the system's own code page opens a package whose
// texts are UTF-8: the extractor takes it in the package's code page.
TEST_F(CodePageRuns, PasswordInTheSystemsCodePageOpensAUtf8Package)
{
    const std::map<UINT, std::string> passwords = {
        {1252, "Caf\xC3\xA9"}, {1251, "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C"},
        {932, "\xE3\x83\x91\xE3\x82\xB9"}};
    const std::string password = passwords.at(GetACP());
    ASSERT_TRUE(WriteWholeFile(Folder + "a.txt", "a"));
    TPackOptions options;
    options.ExtractorPath = BinFolder() + "oxtarn.exe";
    options.OutputPath = Folder + "pw.exe";
    options.Title = "Test";
    options.Destination = Folder + "pw\\";
    options.PasswordProtected = true;
    options.Password = password;
    options.Files = {{Folder + "a.txt", "a.txt"}};
    BuildTestPackage(options);
    const std::wstring wide = WideOf(password);
    char typed[64] = "";
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, typed, sizeof typed, nullptr, nullptr);
    TChild child = StartChild(Quote(options.OutputPath) + " $SILENT$ \"$PASSWORD$=" + typed + "\"");
    EXPECT_EQ(0u, FinishChild(child, 120000));
    EXPECT_EQ("a", ReadWholeFile(options.Destination + "a.txt"));
}

// Packed once under 1252 (by setup.sh), extracted under the code page of
// the run: every name right, every byte right.
TEST_F(CodePageRuns, PackageFromOxpackUnder1252ExtractsEveryName)
{
    const std::string package = BuildFolder() + "unicode\\package1252.exe";
    ASSERT_TRUE(FileExists(package)) << "setup.sh made no package";
    const std::string destination = Folder + "from1252_" + Page() + "\\";
    TChild child = StartChild(Quote(package) + " $SILENT$ \"$DESTINATION$=" + destination + "\"");
    EXPECT_EQ(0u, FinishChild(child, 120000));
    ExpectSameTree(destination);
}

// gcab's cabinet, whose non-ASCII names carry the UTF-8 flag, wrapped in
// a package as it is.
TEST_F(CodePageRuns, GcabCabinetWithFlaggedNamesExtractsRight)
{
    const std::string cabinet = ReadWholeFile(BuildFolder() + "unicode\\gcab.cab");
    ASSERT_EQ(0u, cabinet.compare(0, 4, "MSCF")) << "setup.sh made no gcab cabinet";
    const std::string destination = Folder + "gcab" + Page() + "\\";
    const std::string package = Folder + "g" + Page() + ".exe";
    WriteRawCabinetPackage(package, RawSettingsLines(destination), cabinet);
    EXPECT_EQ(0u, RunSilently(package));
    ExpectSameTree(destination);
}

// Names without the flag are in the extracting machine's code page. Under
// 932 the second bytes of 表 (95 5C) and ソ (83 5C) are backslash bytes;
// the names are created as they read, not cut at those bytes.
TEST_F(CodePageRuns, ShiftJisNamesWithoutTheFlagKeepTheirTrailBytes5C)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "a run under code page 932 checks this";
    ASSERT_TRUE(WriteWholeFile(Folder + "a.txt", "sjis a"));
    ASSERT_TRUE(WriteWholeFile(Folder + "b.txt", "sjis b"));
    std::string cabinet = CabinetOf({{Folder + "a.txt", "\x95\x5C\x8E\xA6\\\x83\x5C\x83\x74\x83\x67.txt"},
                                     {Folder + "b.txt", "\x83\x5C.txt"}},
                                    Folder);
    ASSERT_GT(cabinet.size(), 36u);
    // The writer flags non-ASCII names; these are to be read as Shift-JIS,
    // as an older writer on a Japanese machine stored them.
    size_t at = static_cast<unsigned char>(cabinet[16]) | (static_cast<unsigned char>(cabinet[17]) << 8);
    for (int file = 0; file < 2; ++file) {
        cabinet[at + 14] = static_cast<char>(cabinet[at + 14] & 0x7F);
        at = cabinet.find('\0', at + 16) + 1;
    }
    const std::string destination = Folder + "sjis\\";
    const std::string package = Folder + "s.exe";
    WriteRawCabinetPackage(package, RawSettingsLines(destination), cabinet);
    EXPECT_EQ(0u, RunSilently(package));
    EXPECT_EQ("sjis a", ReadWide(WideOf(destination) + L"\u8868\u793A\\\u30BD\u30D5\u30C8.txt"));
    EXPECT_EQ("sjis b", ReadWide(WideOf(destination) + L"\u30BD.txt"));
}

// A temporary folder named in Cyrillic on a 1252 machine: the work folder
// of a "$INSTALL$" package is made in it (in its short form), the command
// runs there, and the folder is removed afterwards.
TEST_F(CodePageRuns, CyrillicTemporaryFolderServesAnInstallPackageUnder1252)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "a run under code page 1252 checks this";
    const std::wstring temp = WideOf(Folder) + L"\u0412\u0440\u0435\u043C\u0435\u043D\u043D\u0430\u044F\\";
    ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(Folder + "data.txt", "data"));
    TPackOptions options;
    options.ExtractorPath = BinFolder() + "oxtarn.exe";
    options.OutputPath = Folder + "install.exe";
    options.Title = "Test";
    options.Destination = "$INSTALL$";
    options.Command = "payload_recorder.exe";
    options.Files = {{BinFolder() + "payload_recorder.exe", "payload_recorder.exe"},
                     {Folder + "data.txt", "Привет.txt"}};
    BuildTestPackage(options);

    wchar_t savedTemp[1024] = L"", savedTmp[1024] = L"";
    GetEnvironmentVariableW(L"TEMP", savedTemp, 1024);
    GetEnvironmentVariableW(L"TMP", savedTmp, 1024);
    SetEnvironmentVariableW(L"TEMP", temp.c_str());
    SetEnvironmentVariableW(L"TMP", temp.c_str());
    SetEnvironmentVariableA("OX_RECORD", (Folder + "record.txt").c_str());
    const DWORD code = RunSilently(options.OutputPath);
    SetEnvironmentVariableW(L"TEMP", savedTemp);
    SetEnvironmentVariableW(L"TMP", savedTmp);
    SetEnvironmentVariableA("OX_RECORD", nullptr);

    EXPECT_EQ(0u, code);
    const std::string record = ReadWholeFile(Folder + "record.txt");
    EXPECT_NE(std::string::npos, record.find("qbxr_installer1")) << record;
    EXPECT_EQ(std::string::npos, record.find('?')) << record;
    WIN32_FIND_DATAW entry;
    HANDLE left = FindFirstFileW((temp + L"qbxr_installer*").c_str(), &entry);
    EXPECT_EQ(INVALID_HANDLE_VALUE, left) << "the work folder was left behind";
    if (left != INVALID_HANDLE_VALUE)
        FindClose(left);
}
