// The cabinet format's limits: files per cabinet, bytes per folder, bytes
// per file. The real limits need tens of thousands of files or gigabytes;
// the same code runs here with the limits lowered through the options, and
// the over-large file is a sparse one that is refused before it is read.
// Every set is read back by the platform's library and by cabextract.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "PackTestTools.h"
#include "oxPackFixture.h"
#include "uCabHeader.h"
#include "uPackage.h"

namespace {

struct LimitTest : ::testing::Test {
    std::string Folder;
    TPackOptions Options;

    void SetUp() override
    {
        Folder = NewTestFolder("oxlim");
        ASSERT_FALSE(Folder.empty());
        ASSERT_TRUE(WriteWholeFile(Folder + "oxtarn.exe", FakeExtractorBytes(3000)));
        CreateDirectoryA((Folder + "in").c_str(), nullptr);
        Options.ExtractorPath = Folder + "oxtarn.exe";
        Options.NoLibrary = true;
        Options.OutputPath = Folder + "package.exe";
    }
    void TearDown() override { RemoveTestFolder(Folder); }

    void AddFiles(int count, size_t size)
    {
        for (int i = 0; i < count; ++i) {
            const std::string name = "f" + std::to_string(1000 + Options.Files.size()) + ".bin";
            ASSERT_TRUE(WriteWholeFile(Folder + "in\\" + name, NoiseBytes(size, static_cast<uint32_t>(Options.Files.size()))));
            Options.Files.push_back({Folder + "in\\" + name, name});
        }
    }

    // Packs, then gives the header of every cabinet of the set.
    void PackAndReadHeaders(std::vector<TCabHeader> &headers, TPackResult &result)
    {
        std::string error;
        ASSERT_TRUE(MakePackage(Options, result, error)) << error;
        const std::string package = ReadWholeFile(Options.OutputPath);
        ASSERT_TRUE(WriteWholeFile(Folder + "lumbo", package.substr(result.CabinetOffset)));
        std::vector<std::string> cabinets = {Folder + "lumbo"};
        cabinets.insert(cabinets.end(), result.ContinuationPaths.begin(), result.ContinuationPaths.end());
        for (const std::string &path : cabinets) {
            TCabHeader header;
            ASSERT_TRUE(ReadCabHeader(ReadWholeFile(path), header, error)) << path << ": " << error;
            headers.push_back(header);
        }
    }
};

// Scratch folders of this process in the temporary folder.
int ScratchFolders()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    WIN32_FIND_DATAA found;
    const std::string pattern = std::string(temp) + "oxpack" + std::to_string(GetCurrentProcessId()) + "_*";
    HANDLE h = FindFirstFileA(pattern.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do
        ++count;
    while (FindNextFileA(h, &found));
    FindClose(h);
    return count;
}

// cCFData of each folder entry of a cabinet without reserve or links.
std::vector<unsigned> DataBlocksPerFolder(const std::string &cabinet)
{
    std::vector<unsigned> blocks;
    const unsigned folders = static_cast<unsigned char>(cabinet[26]) | static_cast<unsigned char>(cabinet[27]) << 8;
    for (unsigned i = 0; i < folders; ++i) {
        const size_t at = 36 + 8 * i + 4;
        blocks.push_back(static_cast<unsigned char>(cabinet[at]) | static_cast<unsigned char>(cabinet[at + 1]) << 8);
    }
    return blocks;
}

}  // namespace

// The extractor goes on to a continuation cabinet only where a file runs
// into it, so a package that must stay one file cannot hold more files
// than one cabinet lists: refused before anything is written.
TEST_F(LimitTest, MoreFilesThanOneCabinetListsAreRefusedBeforeWriting)
{
    AddFiles(21, 10);
    Options.FilesPerCabinet = 20;
    ASSERT_TRUE(WriteWholeFile(Options.OutputPath, "old"));
    std::string error;
    EXPECT_FALSE(MakePackage(Options, error));
    EXPECT_NE(std::string::npos, error.find("There are 21 files to pack; one cabinet lists at most 20")) << error;
    EXPECT_NE(std::string::npos, error.find("--max-cabinet-size")) << error;
    EXPECT_EQ("old", ReadWholeFile(Options.OutputPath));
    EXPECT_EQ(0, ScratchFolders());

    Options.Files.pop_back();
    TPackResult result;
    std::vector<TCabHeader> headers;
    ASSERT_NO_FATAL_FAILURE(PackAndReadHeaders(headers, result));
    ASSERT_EQ(1u, headers.size());
    EXPECT_EQ(20u, headers[0].FileCount) << "exactly the limit is packed";
    ExpectFdiReadsBack(Folder, "lumbo", Options.Files);
    EXPECT_EQ("", CabextractProblems(Options.OutputPath, 20));
}

// Split by size, every cabinet lists its own files: a set may hold more
// files than one cabinet lists, as long as no cabinet lists too many.
TEST_F(LimitTest, SetSplitBySizeHoldsMoreFilesThanOneCabinetLists)
{
    // About four files' data fit in a cabinet; a cabinet lists the files
    // that start in it and those continued into it.
    AddFiles(30, 5000);
    Options.FilesPerCabinet = 16;
    Options.MaxCabinetSize = 20000;
    Options.Compression = TCompression::None;
    std::vector<TCabHeader> headers;
    TPackResult result;
    ASSERT_NO_FATAL_FAILURE(PackAndReadHeaders(headers, result));
    ASSERT_GE(headers.size(), 4u);
    for (const TCabHeader &header : headers)
        EXPECT_LE(header.FileCount, 16u) << "cabinet " << header.Index;
    ExpectFdiReadsBack(Folder, "lumbo", Options.Files);
    EXPECT_EQ("", CabextractProblems(Options.OutputPath, 30));
}

TEST_F(LimitTest, CabinetThatWouldListTooManyFilesIsRefusedBeforeWriting)
{
    AddFiles(30, 100);  // 3,000 bytes: one cabinet of 20,000 holds them all
    Options.FilesPerCabinet = 8;
    Options.MaxCabinetSize = 20000;
    std::string error;
    EXPECT_FALSE(MakePackage(Options, error));
    EXPECT_NE(std::string::npos, error.find("more than the 8 files a cabinet can list")) << error;
    EXPECT_FALSE(FileExists(Options.OutputPath));
    EXPECT_FALSE(FileExists(Folder + "package2.cab"));
    EXPECT_EQ(0, ScratchFolders());
}

TEST_F(LimitTest, FolderFullOfDataBlocksStartsANewFolder)
{
    AddFiles(5, 30000);
    Options.FolderBytes = 70000;
    Options.Compression = TCompression::None;
    std::vector<TCabHeader> headers;
    TPackResult result;
    ASSERT_NO_FATAL_FAILURE(PackAndReadHeaders(headers, result));
    ASSERT_EQ(1u, headers.size());
    EXPECT_GE(headers[0].FolderCount, 3u);
    // 70,000 bytes are at most three blocks of 32,768.
    for (unsigned blocks : DataBlocksPerFolder(ReadWholeFile(Folder + "lumbo")))
        EXPECT_LE(blocks, 3u);
    ExpectFdiReadsBack(Folder, "lumbo", Options.Files);
    EXPECT_EQ("", CabextractProblems(Options.OutputPath, 5));
}

TEST_F(LimitTest, FileAtTheFolderLimitIsPackedAndOneByteMoreIsRefused)
{
    AddFiles(1, 40000);
    Options.FolderBytes = 40000;
    std::vector<TCabHeader> headers;
    TPackResult result;
    ASSERT_NO_FATAL_FAILURE(PackAndReadHeaders(headers, result));
    ExpectFdiReadsBack(Folder, "lumbo", Options.Files);
    AddFiles(1, 40001);
    std::string error;
    ASSERT_TRUE(WriteWholeFile(Options.OutputPath, "old"));
    EXPECT_FALSE(MakePackage(Options, error));
    EXPECT_NE(std::string::npos, error.find("f1001.bin is 40,001 bytes")) << error;
    EXPECT_NE(std::string::npos, error.find("at most 40,000 bytes")) << error;
    EXPECT_EQ("old", ReadWholeFile(Options.OutputPath));
}

TEST_F(LimitTest, FileLargerThanTheFormatHoldsIsRefusedBeforeAnythingIsWritten)
{
    // 2,202,009,600 bytes, sparse: nothing of it is read.
    const std::string big = Folder + "in\\huge.iso";
    HANDLE h = CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    LARGE_INTEGER size;
    size.QuadPart = 2202009600LL;
    ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(h));
    CloseHandle(h);
    AddFiles(1, 100);
    Options.Files.push_back({big, "huge.iso"});
    std::string error;
    const DWORD started = GetTickCount();
    EXPECT_FALSE(MakePackage(Options, error));
    EXPECT_LT(GetTickCount() - started, 20000u) << "refused without reading the file";
    EXPECT_NE(std::string::npos, error.find(big + " is 2,202,009,600 bytes")) << error;
    EXPECT_NE(std::string::npos, error.find("at most 2,147,450,880 bytes")) << error;
    EXPECT_FALSE(FileExists(Options.OutputPath));
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA((Folder + "*.tmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, listing) << found.cFileName;
    if (listing != INVALID_HANDLE_VALUE)
        FindClose(listing);
}

namespace {

// What the console control handler does on Ctrl+C, done from the build's
// own progress report after the third file.
void InterruptAfterThreeFiles(const TPackProgress &progress, void *)
{
    if (progress.FilesDone >= 3)
        InterruptPackage();
}

}  // namespace

TEST_F(LimitTest, InterruptedBuildRemovesItsScratchFolderAndWritesNothing)
{
    AddFiles(12, 40000);
    ASSERT_TRUE(WriteWholeFile(Options.OutputPath, "old"));
    ASSERT_EQ(0, ScratchFolders());
    Options.Progress = InterruptAfterThreeFiles;
    std::string error;
    EXPECT_FALSE(MakePackage(Options, error));
    InterruptPackage(false);
    EXPECT_NE(std::string::npos, error.find("interrupted")) << error;
    EXPECT_EQ(0, ScratchFolders());
    EXPECT_EQ("old", ReadWholeFile(Options.OutputPath));
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA((Folder + "*.tmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, listing) << found.cFileName;
    if (listing != INVALID_HANDLE_VALUE)
        FindClose(listing);
    Options.Progress = nullptr;
    EXPECT_TRUE(MakePackage(Options, error)) << "a later build runs again: " << error;
}

// The real limit, cheaply: 70,000 names for one small source file are
// refused before anything is read or written.
TEST_F(LimitTest, SeventyThousandFilesForOneCabinetAreRefusedAtTheRealLimit)
{
    AddFiles(1, 10);
    const TPackFile source = Options.Files[0];
    Options.Files.clear();
    for (int i = 0; i < 70000; ++i)
        Options.Files.push_back({source.SourcePath, "d" + std::to_string(i / 1000) + "\\f" + std::to_string(i)});
    ASSERT_TRUE(WriteWholeFile(Options.OutputPath, "old"));
    std::string error;
    EXPECT_FALSE(MakePackage(Options, error));
    EXPECT_NE(std::string::npos, error.find("There are 70,000 files to pack; one cabinet lists at most 65,535"))
        << error;
    EXPECT_EQ("old", ReadWholeFile(Options.OutputPath));
    EXPECT_EQ(0, ScratchFolders());
}

// The cabinet writer's edge cases, each packed with one thread and with
// four: the same bytes, no cabinet over the maximum, no folder over its
// blocks, and every file read back whole by the platform's library and by
// cabextract. Sizes below zero are text of that length, others noise.
TEST_F(LimitTest, WriterEdgeCasesReadBackWholeAndAlikeForAnyJobs)
{
    struct TCase {
        std::string Name;
        std::vector<int> Sizes;
        TCompression Compression;
        uint32_t MaxCabinetSize;
        uint32_t FolderBytes;
    };
    const std::vector<int> mixed = {0, 40000, -70000, 0, 32768, -5000, 0};
    std::vector<TCase> cases = {
        {"empty files only", {0, 0, 0}, TCompression::MsZip, 0, CabMaxFolderBytes},
        {"a file of exactly one block", {32768, -32768}, TCompression::MsZip, 0, CabMaxFolderBytes},
        {"a block boundary inside a file", {-20000, -30000, 0}, TCompression::MsZip, 0, CabMaxFolderBytes},
        {"incompressible data", {100000}, TCompression::MsZip, 0, CabMaxFolderBytes},
        {"folders full of blocks", {-40000, 30000, -30000, 50000}, TCompression::MsZip, 0, 70000},
        {"stored and split", mixed, TCompression::None, 16384, CabMaxFolderBytes},
    };
    for (uint32_t size : {16384u, 16385u, 16393u, 16500u, 20000u, 33000u, 65536u})
        cases.push_back({"split at " + std::to_string(size), mixed, TCompression::MsZip, size, CabMaxFolderBytes});
    for (size_t c = 0; c < cases.size(); ++c) {
        const TCase &test = cases[c];
        SCOPED_TRACE(test.Name);
        Options.Files.clear();
        for (size_t i = 0; i < test.Sizes.size(); ++i) {
            const std::string name = "c" + std::to_string(c) + "_" + std::to_string(i) + ".bin";
            std::string bytes = NoiseBytes(std::abs(test.Sizes[i]), static_cast<uint32_t>(i));
            for (size_t k = 0; test.Sizes[i] < 0 && k < bytes.size(); ++k)
                bytes[k] = "line of text 0123456789\n"[(k + static_cast<unsigned char>(bytes[k]) / 64) % 24];
            ASSERT_TRUE(WriteWholeFile(Folder + "in\\" + name, bytes));
            Options.Files.push_back({Folder + "in\\" + name, name});
        }
        Options.Compression = test.Compression;
        Options.MaxCabinetSize = test.MaxCabinetSize;
        Options.FolderBytes = test.FolderBytes;
        std::string first;
        for (unsigned jobs : {1u, 4u}) {
            Options.Jobs = jobs;
            std::vector<TCabHeader> headers;
            TPackResult result;
            ASSERT_NO_FATAL_FAILURE(PackAndReadHeaders(headers, result));
            std::string set = ReadWholeFile(Options.OutputPath);
            for (const std::string &path : result.ContinuationPaths) {
                const std::string cabinet = ReadWholeFile(path);
                EXPECT_LE(cabinet.size(), test.MaxCabinetSize) << path;
                set += cabinet;
            }
            EXPECT_TRUE(jobs == 1 || set == first) << "another set with " << jobs << " jobs";
            first = set;
            if (test.MaxCabinetSize != 0) {
                EXPECT_LE(headers[0].CabinetSize, test.MaxCabinetSize);
            }
        }
        for (unsigned blocks : test.MaxCabinetSize ? std::vector<unsigned>() : DataBlocksPerFolder(ReadWholeFile(Folder + "lumbo")))
            EXPECT_LE(blocks, (test.FolderBytes + 32767ull) / 32768);
        ExpectFdiReadsBack(Folder, "lumbo", Options.Files);
        EXPECT_EQ("", CabextractProblems(Options.OutputPath, Options.Files.size()));
    }
}
