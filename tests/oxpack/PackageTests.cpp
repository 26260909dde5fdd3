// MakePackage in-process: the byte layout, scrambling, cabinet sets, and
// the refusals that must leave nothing behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "PackTestTools.h"
#include "oxPackFixture.h"
#include "uPackage.h"

namespace {

const std::string CrLf = "\r\n";
const std::string EndOfLicence("\0$LUMBO$\0", 9);

struct PackageTest : ::testing::Test {
    std::string Folder;
    std::string Extractor;
    std::string Library;
    TPackOptions Options;

    void SetUp() override
    {
        Folder = NewTestFolder("oxpk");
        ASSERT_FALSE(Folder.empty());
        Extractor = FakeExtractorBytes(5000);
        Library = std::string(30000, 'L') + NoiseBytes(2000, 3);
        ASSERT_TRUE(WriteWholeFile(Folder + "oxtarn.exe", Extractor));
        ASSERT_TRUE(WriteWholeFile(Folder + "cabinet.dll", Library));
        CreateDirectoryA((Folder + "in").c_str(), nullptr);
        ASSERT_TRUE(WriteWholeFile(Folder + "in\\setup.exe", "payload one"));
        ASSERT_TRUE(WriteWholeFile(Folder + "in\\data.bin", NoiseBytes(5000, 9)));
        Options.ExtractorPath = Folder + "oxtarn.exe";
        Options.LibraryPath = Folder + "cabinet.dll";
        Options.LibraryUnchecked = true;  // the layout, not the library, is tested here
        Options.OutputPath = Folder + "package.exe";
        Options.Files = {{Folder + "in\\setup.exe", "setup.exe"}, {Folder + "in\\data.bin", "bin\\data.bin"}};
        Options.Title = "Demo";
    }
    void TearDown() override { RemoveTestFolder(Folder); }

    // Names in the output folder other than the inputs made in SetUp.
    std::vector<std::string> OutputFolderExtras()
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((Folder + "*").c_str(), &found);
        do {
            std::string name = found.cFileName;
            if (name != "." && name != ".." && name != "in" && name != "oxtarn.exe" && name != "cabinet.dll"
                && name != "existing.exe")
                names.push_back(name);
        } while (FindNextFileA(h, &found));
        FindClose(h);
        std::sort(names.begin(), names.end());
        return names;
    }

    // Packs Options and reads the embedded cabinet back through FDI.
    void PackAndExtract(std::vector<TExtracted> &files)
    {
        TPackResult result;
        std::string error;
        ASSERT_TRUE(MakePackage(Options, result, error)) << error;
        const std::string package = ReadWholeFile(Options.OutputPath);
        ASSERT_TRUE(WriteWholeFile(Folder + "first.cab", package.substr(result.CabinetOffset)));
        ASSERT_TRUE(ExtractWithFdi(Folder, "first.cab", files, error)) << error;
        EXPECT_EQ("", CabextractProblems(Options.OutputPath, files.size()));
    }
};

uint32_t LE32(const std::string &b, size_t at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= uint32_t(static_cast<unsigned char>(b[at + i])) << (8 * i);
    return v;
}

}  // namespace

TEST_F(PackageTest, LayoutPutsExtractorLibrarySettingsAndCabinetEndToEnd)
{
    Options.StartQuestion = "Install?";
    Options.LicenceLines = {"a", "", "b"};
    Options.CompletionMessage = "Done.";
    Options.Destination = "$INSTALL$";
    Options.Command = "setup.exe";
    Options.Parameters = "/q";
    Options.RequiredMegabytes = 2;
    Options.Silent = true;
    Options.Caption = "Mine";
    TPackResult result;
    std::string error;
    ASSERT_TRUE(MakePackage(Options, result, error)) << error;
    const std::string package = ReadWholeFile(Options.OutputPath);

    // The extractor, unchanged, then the library, expandable by the platform.
    ASSERT_EQ(Extractor, package.substr(0, Extractor.size()));
    const size_t libraryOffset = Extractor.size();
    ASSERT_EQ("SZDD", package.substr(libraryOffset, 4));
    const size_t libraryLength = result.LibraryLength;
    std::string expanded;
    ASSERT_TRUE(ExpandWithPlatform(package.substr(libraryOffset, libraryLength), expanded));
    EXPECT_TRUE(expanded == Library);

    // The block: CR LF, the marker line right after it, then the lines.
    const size_t block = libraryOffset + libraryLength;
    EXPECT_EQ("\r\n$KORVANTE$\r\n", package.substr(block, 14));
    const size_t cabinetOffset = package.find("MSCF", block);
    ASSERT_NE(std::string::npos, cabinetOffset);
    const std::vector<std::string> lines = SplitCrLf(package.substr(block + 14, cabinetOffset - block - 14));
    EXPECT_EQ(CrLf, package.substr(cabinetOffset - 2, 2));  // the cabinet follows the last LF
    const std::vector<std::string> head = {std::to_string(libraryOffset), std::to_string(libraryLength),
                                           std::to_string(cabinetOffset - block), "Demo", "Install?", "a", "", "b",
                                           EndOfLicence, "Done.", "$INSTALL$", "setup.exe", "/q", "2", "FALSE",
                                           "TRUE"};
    ASSERT_EQ(head.size() + 56 + 3, lines.size());
    for (size_t i = 0; i < head.size(); ++i)
        EXPECT_EQ(head[i], lines[i]) << "settings line " << i + 1;
    EXPECT_EQ("One moment please...", lines[head.size()]);
    EXPECT_EQ("Free bytes required: ", lines[head.size() + 11]);
    EXPECT_EQ("The cabinet may be damaged, or you have entered an incorrect password.", lines[head.size() + 42]);
    EXPECT_EQ("Unable to (create and) read from self extraction library.", lines[head.size() + 55]);
    // The extension area follows the last message.
    EXPECT_TRUE((std::vector<std::string>(lines.end() - 3, lines.end())
                 == std::vector<std::string>{"$EXTENSIONS$", "CODEPAGE=65001", "CAPTION=Mine"}));

    EXPECT_EQ(static_cast<int64_t>(cabinetOffset), result.CabinetOffset);
    EXPECT_EQ(static_cast<int64_t>(cabinetOffset - block), result.BlockLength);
    EXPECT_EQ(package.size() - cabinetOffset, LE32(package, cabinetOffset + 8));  // cbCabinet runs to the end
    EXPECT_TRUE(OutputFolderExtras() == std::vector<std::string>{"package.exe"});
}

TEST_F(PackageTest, NoLicenceWritesOneEmptyLineAndOwnMessagesReplaceTheDefaults)
{
    for (int i = 1; i <= 56; ++i)
        Options.Messages.push_back("Nachricht " + std::to_string(i));
    std::string error;
    ASSERT_TRUE(MakePackage(Options, error)) << error;
    const std::string package = ReadWholeFile(Options.OutputPath);
    const size_t marker = package.find("\r\n$KORVANTE$\r\n");
    const std::vector<std::string> lines = SplitCrLf(package.substr(marker + 14, package.find("MSCF") - marker - 14));
    ASSERT_EQ(14u + 56u + 2u, lines.size());  // and the extension area's two lines
    EXPECT_EQ("", lines[5]);
    EXPECT_EQ(EndOfLicence, lines[6]);
    EXPECT_EQ("FALSE", lines[12]);
    EXPECT_EQ("Nachricht 1", lines[14]);
    EXPECT_EQ("Nachricht 56", lines[69]);
}

TEST_F(PackageTest, CabinetHoldsTheFilesWithTheirDateTimeAndAttributes)
{
    // 2001-02-03 04:05:06 UTC, read-only and hidden.
    SYSTEMTIME when = {2001, 2, 0, 3, 4, 5, 6, 0};
    FILETIME stamp;
    SystemTimeToFileTime(&when, &stamp);
    HANDLE h = CreateFileA((Folder + "in\\setup.exe").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    SetFileTime(h, nullptr, nullptr, &stamp);
    CloseHandle(h);
    SetFileAttributesA((Folder + "in\\setup.exe").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    std::vector<TExtracted> files;
    ASSERT_NO_FATAL_FAILURE(PackAndExtract(files));
    ASSERT_EQ(2u, files.size());
    EXPECT_EQ("setup.exe", files[0].Name);
    EXPECT_EQ("payload one", files[0].Bytes);
    EXPECT_EQ((21 << 9) | (2 << 5) | 3, files[0].Date);
    EXPECT_EQ((4 << 11) | (5 << 5) | 3, files[0].Time);
    EXPECT_EQ(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, files[0].Attributes & 0x07);
    EXPECT_EQ("bin\\data.bin", files[1].Name);
    EXPECT_TRUE(files[1].Bytes == NoiseBytes(5000, 9));
    SetFileAttributesA((Folder + "in\\setup.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(PackageTest, PasswordScramblesTheCabinetAndIsNotStored)
{
    Options.PasswordProtected = true;
    Options.Password = "Secret7";
    TPackResult result;
    std::string error;
    ASSERT_TRUE(MakePackage(Options, result, error)) << error;
    const std::string package = ReadWholeFile(Options.OutputPath);
    const std::string stored = package.substr(result.CabinetOffset);
    EXPECT_NE("MSCF", stored.substr(0, 4));
    EXPECT_EQ(std::string::npos, package.find("Secret7"));
    const std::string plain = ApplyPasswordRule(stored, "Secret7");
    ASSERT_EQ("MSCF", plain.substr(0, 4));
    ASSERT_TRUE(WriteWholeFile(Folder + "first.cab", plain));
    std::vector<TExtracted> files;
    ASSERT_TRUE(ExtractWithFdi(Folder, "first.cab", files, error)) << error;
    ASSERT_EQ(2u, files.size());
    EXPECT_EQ("payload one", files[0].Bytes);
}

TEST_F(PackageTest, MaximumSizeSplitsTheSetIntoScrambledContinuationCabinets)
{
    Options.Files.clear();
    for (int i = 0; i < 3; ++i) {
        std::string path = Folder + "in\\noise" + std::to_string(i);
        ASSERT_TRUE(WriteWholeFile(path, NoiseBytes(30000, 100 + i)));
        Options.Files.push_back({path, "noise" + std::to_string(i)});
    }
    Options.MaxCabinetSize = 20000;
    Options.Compression = TCompression::None;
    Options.PasswordProtected = true;
    Options.Password = "pw";
    TPackResult result;
    std::string error;
    ASSERT_TRUE(MakePackage(Options, result, error)) << error;
    ASSERT_GE(result.ContinuationPaths.size(), 4u);
    EXPECT_EQ(Folder + "package2.cab", result.ContinuationPaths[0]);

    // Put the set together unscrambled, each cabinet from its own byte 0,
    // and let FDI walk it from the first cabinet by the recorded names.
    const std::string extract = Folder + "set\\";
    CreateDirectoryA(extract.c_str(), nullptr);
    const std::string package = ReadWholeFile(Options.OutputPath);
    const std::string first = ApplyPasswordRule(package.substr(result.CabinetOffset), "pw");
    ASSERT_EQ("MSCF", first.substr(0, 4));
    EXPECT_LE(first.size(), 20000u);
    EXPECT_NE(std::string::npos, first.find(std::string("package2.cab\0", 13)));
    ASSERT_TRUE(WriteWholeFile(extract + "lumbo", first));
    for (const std::string &path : result.ContinuationPaths) {
        const std::string stored = ReadWholeFile(path);
        ASSERT_NE("MSCF", stored.substr(0, 4)) << path;
        const std::string plain = ApplyPasswordRule(stored, "pw");
        ASSERT_EQ("MSCF", plain.substr(0, 4)) << path;
        EXPECT_LE(plain.size(), 20000u);
        ASSERT_TRUE(WriteWholeFile(extract + path.substr(Folder.size()), plain));
    }
    std::vector<TExtracted> files;
    ASSERT_TRUE(ExtractWithFdi(extract, "lumbo", files, error)) << error;
    EXPECT_EQ("", CabextractProblems(extract + "lumbo", 3));
    ASSERT_EQ(3u, files.size());
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(files[i].Bytes == NoiseBytes(30000, 100 + i)) << i;
}

TEST_F(PackageTest, FolderInputNamesFilesByTheirRelativeBackslashPaths)
{
    CreateDirectoryA((Folder + "in\\sub").c_str(), nullptr);
    CreateDirectoryA((Folder + "in\\sub\\deeper").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(Folder + "in\\sub\\deeper\\x.txt", "x"));
    std::vector<TPackFile> files;
    std::string error;
    ASSERT_TRUE(AddFolderFiles(Folder + "in", files, error)) << error;
    std::vector<std::string> names;
    for (const TPackFile &file : files)
        names.push_back(file.CabinetName);
    EXPECT_TRUE((names == std::vector<std::string>{"data.bin", "setup.exe", "sub\\deeper\\x.txt"}));
    EXPECT_EQ(Folder + "in\\sub\\deeper\\x.txt", files[2].SourcePath);
    EXPECT_FALSE(AddFolderFiles(Folder + "missing", files, error));
    EXPECT_NE(std::string::npos, error.find("missing"));
}

TEST_F(PackageTest, LzxIsWrittenOrRefusedNeverQuietlyReplaced)
{
    Options.Compression = TCompression::Lzx;
    TPackResult result;
    std::string error;
    if (MakePackage(Options, result, error)) {
        const std::string package = ReadWholeFile(Options.OutputPath);
        const std::string cabinet = package.substr(result.CabinetOffset);
        // typeCompress of the first folder entry (no reserve, no links).
        EXPECT_EQ(3, cabinet[36 + 6] & 0x0F);
    } else {
        EXPECT_NE(std::string::npos, error.find("LZX")) << error;
        EXPECT_FALSE(FileExists(Options.OutputPath));
    }
}

TEST_F(PackageTest, BadInputIsRefusedByNameAndLeavesExistingOutputUntouched)
{
    // Too long for the extractor to find the settings behind it.
    ASSERT_TRUE(WriteWholeFile(Folder + "big.exe", FakeExtractorBytes(1024001)));
    ASSERT_TRUE(WriteWholeFile(Folder + "empty.dll", ""));
    ASSERT_TRUE(WriteWholeFile(Folder + "marked.exe", FakeExtractorBytes(3000) + "\n$KORVANTE$\r\n"));
    const struct {
        const char *Expected;  // must appear in the message
        void (*Spoil)(TPackOptions &, const std::string &folder);
    } cases[] = {
        {"title", [](TPackOptions &o, const std::string &) { o.Title = "a\rb"; }},
        {"start-up question", [](TPackOptions &o, const std::string &) { o.StartQuestion = "a\nb"; }},
        {"completion message", [](TPackOptions &o, const std::string &) { o.CompletionMessage = "x\x1A"; }},
        {"destination", [](TPackOptions &o, const std::string &) { o.Destination = "C:\\a\n"; }},
        {"command", [](TPackOptions &o, const std::string &) { o.Command = "\r"; }},
        {"parameters", [](TPackOptions &o, const std::string &) { o.Parameters = "\x1A"; }},
        {"Licence line 2", [](TPackOptions &o, const std::string &) { o.LicenceLines = {"ok", std::string("\0$LUMBO$\0", 9)}; }},
        {"Licence line 1", [](TPackOptions &o, const std::string &) { o.LicenceLines = {"eof\x1A"}; }},
        {"56", [](TPackOptions &o, const std::string &) { o.Messages.assign(55, "m"); }},
        {"Message 3", [](TPackOptions &o, const std::string &) { o.Messages.assign(56, "m"); o.Messages[2] = "a\rb"; }},
        {"102401", [](TPackOptions &o, const std::string &) { o.LicenceLines.assign(110, std::string(1000, 'l')); }},
        {"big.exe", [](TPackOptions &o, const std::string &f) { o.ExtractorPath = f + "big.exe"; }},
        {"nothere.exe", [](TPackOptions &o, const std::string &f) { o.ExtractorPath = f + "nothere.exe"; }},
        {"empty.dll", [](TPackOptions &o, const std::string &f) { o.LibraryPath = f + "empty.dll"; }},
        {"nothere.dll", [](TPackOptions &o, const std::string &f) { o.LibraryPath = f + "nothere.dll"; }},
        {"$KORVANTE$", [](TPackOptions &o, const std::string &f) { o.ExtractorPath = f + "marked.exe"; }},
        {"gone.txt", [](TPackOptions &o, const std::string &f) { o.Files.push_back({f + "gone.txt", "gone.txt"}); }},
        {"password is empty", [](TPackOptions &o, const std::string &) { o.PasswordProtected = true; }},
        {"protection is off", [](TPackOptions &o, const std::string &) { o.Password = "pw"; }},
        {"megabytes", [](TPackOptions &o, const std::string &) { o.RequiredMegabytes = -1; }},
        {"..\\evil.exe", [](TPackOptions &o, const std::string &) { o.Files[0].CabinetName = "..\\evil.exe"; }},
        {"\"Setup.exe\"", [](TPackOptions &o, const std::string &) { o.Files[1].CabinetName = "Setup.exe"; }},
        {"no files", [](TPackOptions &o, const std::string &) { o.Files.clear(); }},
        {"maximum cabinet size", [](TPackOptions &o, const std::string &) { o.MaxCabinetSize = 1000; }},
    };
    const std::string existing = "the package from before";
    for (const auto &c : cases) {
        TPackOptions options = Options;
        options.OutputPath = Folder + "existing.exe";
        ASSERT_TRUE(WriteWholeFile(options.OutputPath, existing));
        c.Spoil(options, Folder);
        std::string error;
        EXPECT_FALSE(MakePackage(options, error)) << c.Expected;
        EXPECT_NE(std::string::npos, error.find(c.Expected)) << "expected \"" << c.Expected << "\" in: " << error;
        EXPECT_EQ(existing, ReadWholeFile(options.OutputPath)) << c.Expected;
        EXPECT_TRUE((OutputFolderExtras() == std::vector<std::string>{"big.exe", "empty.dll", "marked.exe"}))
            << c.Expected;
    }
    // A fresh output name is not created at all.
    Options.Title = "bad\r\n";
    std::string error;
    EXPECT_FALSE(MakePackage(Options, error));
    EXPECT_FALSE(FileExists(Options.OutputPath));
}

TEST_F(PackageTest, SuccessfulBuildReplacesAnExistingPackage)
{
    ASSERT_TRUE(WriteWholeFile(Options.OutputPath, "old"));
    std::string error;
    ASSERT_TRUE(MakePackage(Options, error)) << error;
    const std::string package = ReadWholeFile(Options.OutputPath);
    EXPECT_EQ(Extractor, package.substr(0, Extractor.size()));
    EXPECT_TRUE(OutputFolderExtras() == std::vector<std::string>{"package.exe"});
}

TEST_F(PackageTest, CabinetOfThousandsOfFilesPassesItsReadBack)
{
    // 3,000 entries with folder names take about 120 KB of header, far
    // more than any fixed window at the cabinet's start.
    CreateDirectoryA((Folder + "many").c_str(), nullptr);
    Options.Files.clear();
    const int count = 3000;
    for (int i = 0; i < count; ++i) {
        const std::string name = "many\\entry" + std::to_string(10000 + i) + ".txt";
        ASSERT_TRUE(WriteWholeFile(Folder + name, std::to_string(i)));
        Options.Files.push_back({Folder + name, name});
    }
    std::vector<TExtracted> files;
    ASSERT_NO_FATAL_FAILURE(PackAndExtract(files));
    ASSERT_EQ(size_t(count), files.size());
    EXPECT_EQ("many\\entry12999.txt", files.back().Name);
    EXPECT_EQ("2999", files.back().Bytes);
}
