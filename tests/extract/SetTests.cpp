// Cabinet sets: the embedded cabinet continued by cabinets beside the
// package, protected or not.
#include <windows.h>
#include <gtest/gtest.h>
#include "ExtractFixture.h"
#include "oxPackFixture.h"
#include "oxTest.h"

namespace {

struct TSet {
    std::string Root = NewTestFolder("sets");
    std::string Payload = Root + "payload\\";
    std::string Out = Root + "out\\";
    TSet() { CreateDirectoryA(Payload.c_str(), nullptr); }
    ~TSet() { RemoveTestFolder(Root); }
};

// Files that cross both boundaries of a three-cabinet set.
void MakeSpanningPayload(const std::string &folder)
{
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(WriteWholeFile(folder + "part" + std::to_string(i) + ".bin", NoiseBytes(9000, 100 + i)));
}

// Every file that the run left below out is its source, whole: a run that
// ends in the middle of a file must not leave that file cut off.
void ExpectOnlyWholeFiles(const std::string &payload, const std::string &out)
{
    for (const std::string &name : FilesBelow(out))
        EXPECT_TRUE(ReadWholeFile(payload + name) == ReadWholeFile(out + name)) << name << " is cut off";
}

TPackResult Pack(const TPackOptions &options)
{
    TPackResult result;
    std::string error;
    EXPECT_TRUE(MakePackage(options, result, error)) << error;
    return result;
}

// A stored three-cabinet set of the spanning payload; options are left
// for the run.
TPackResult PackStoredSet(const TSet &s, TPackOptions &options)
{
    MakeSpanningPayload(s.Payload);
    options = PackageOf(s.Payload, s.Root, s.Out);
    options.MaxCabinetSize = 16384;
    options.Compression = TCompression::None;
    TPackResult packed = Pack(options);
    EXPECT_EQ(2u, packed.ContinuationPaths.size());
    return packed;
}

} // namespace

TEST(CabinetSet, ThreeCabinetsWithFilesSpanningBothBoundaries)
{
    TSet s;
    MakeSpanningPayload(s.Payload);
    for (TCompression compression : {TCompression::None, TCompression::MsZip}) {
        TPackOptions options = PackageOf(s.Payload, s.Root, s.Out);
        options.MaxCabinetSize = 16384;
        options.Compression = compression;
        TPackResult packed = Pack(options);
        ASSERT_EQ(2u, packed.ContinuationPaths.size());
        EXPECT_EQ(0u, RunPackage(options.OutputPath, "$SILENT$", s.Root).ExitCode);
        ExpectSameTree(s.Payload, s.Out);
        RemoveTestFolder(s.Out);
    }
}

TEST(CabinetSet, MissingContinuationInASilentRunEndsWithOne)
{
    TSet s;
    TPackOptions options;
    TPackResult packed = PackStoredSet(s, options);
    ASSERT_EQ(2u, packed.ContinuationPaths.size());
    ASSERT_TRUE(DeleteFileA(packed.ContinuationPaths[1].c_str()));
    TRunResult run = RunPackage(options.OutputPath, "$SILENT$", s.Root);
    EXPECT_EQ(1u, run.ExitCode);
    EXPECT_FALSE(run.BoxShown) << run.BoxText;
    ExpectOnlyWholeFiles(s.Payload, s.Out);
}

// A continuation that is no cabinet ends the run as damaged, with the file
// that runs on into it removed.
TEST(CabinetSet, DamagedContinuationEndsWithOneAndLeavesNoCutOffFile)
{
    TSet s;
    TPackOptions options;
    TPackResult packed = PackStoredSet(s, options);
    ASSERT_EQ(2u, packed.ContinuationPaths.size());
    ASSERT_TRUE(WriteWholeFile(packed.ContinuationPaths[0], std::string(20000, 'x')));
    for (bool silent : {true, false}) {
        TRunResult run = silent ? RunPackage(options.OutputPath, "$SILENT$", s.Root)
                                : RunAndAnswer(options.OutputPath, s.Root);
        EXPECT_EQ(1u, run.ExitCode) << silent;
        EXPECT_EQ(!silent, run.BoxShown);
        if (!silent) {
            EXPECT_NE(std::string::npos, run.BoxText.find(DefaultMessages().at(42 - 1))) << run.BoxText;
        }
        ExpectOnlyWholeFiles(s.Payload, s.Out);
        RemoveTestFolder(s.Out);
    }
}

TEST(CabinetSet, ContinuationOfExactlyThePackagesSizeIsReadAsItself)
{
    TSet s;
    ASSERT_TRUE(WriteWholeFile(s.Payload + "big.bin", NoiseBytes(700000, 5)));
    ASSERT_TRUE(WriteWholeFile(s.Payload + "small.txt", "after the boundary"));
    TPackOptions options = PackageOf(s.Payload, s.Root, s.Out);
    options.MaxCabinetSize = 400000;
    options.Compression = TCompression::None;
    TPackResult packed = Pack(options);
    ASSERT_EQ(1u, packed.ContinuationPaths.size());
    // Bring both files to one size: trailing bytes after a cabinet are
    // never read.
    std::string package = ReadWholeFile(options.OutputPath);
    std::string continuation = ReadWholeFile(packed.ContinuationPaths[0]);
    const size_t size = std::max(package.size(), continuation.size());
    package.resize(size, 'p');
    continuation.resize(size, 'c');
    ASSERT_TRUE(WriteWholeFile(options.OutputPath, package));
    ASSERT_TRUE(WriteWholeFile(packed.ContinuationPaths[0], continuation));
    EXPECT_EQ(0u, RunPackage(options.OutputPath, "$SILENT$", s.Root).ExitCode);
    ExpectSameTree(s.Payload, s.Out);
}
