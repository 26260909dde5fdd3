// Cabinet sets: the embedded cabinet continued by cabinets beside the
// package, protected or not.
#include <windows.h>
#include <gtest/gtest.h>
#include "ExtractFixture.h"
#include "oxPackFixture.h"
#include "oxProcess.h"
#include "oxTest.h"
#include "oxWindows.h"
#include "uCabHeader.h"
#include "util/mUtils.h"

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

const char DamagedText[] =
    "The cabinet has most likely been damaged, please obtain a new copy of this cabinet and try again.";

// Fields of a cabinet's header: the set ID and the cabinet's index in it.
const size_t SetIdOffset = 32;
const size_t IndexOffset = 34;

// A stored two-cabinet set whose one large file spans both cabinets.
TPackResult PackSpanningPair(const TSet &s, TPackOptions &options, int setId = -1)
{
    EXPECT_TRUE(WriteWholeFile(s.Payload + "big.bin", NoiseBytes(120000, 11)));
    EXPECT_TRUE(WriteWholeFile(s.Payload + "small.txt", "after the boundary"));
    options = PackageOf(s.Payload, s.Root, s.Out);
    options.MaxCabinetSize = 70000;
    options.Compression = TCompression::None;
    options.SetId = setId;
    TPackResult packed = Pack(options);
    EXPECT_EQ(1u, packed.ContinuationPaths.size());
    return packed;
}

// The continuation with one header byte changed: another set, or another
// place in the set.
std::string Altered(const std::string &cabinet, size_t offset)
{
    std::string altered = cabinet;
    altered[offset] = static_cast<char>(altered[offset] ^ 0x5A);
    return altered;
}

// The spanning payload as a three-cabinet set split by split, stored and
// compressed, extracts silently to its source tree.
void ExpectThreeCabinetSetExtracts(const TSet &s, void (*split)(TPackOptions &))
{
    for (TCompression compression : {TCompression::None, TCompression::MsZip}) {
        TPackOptions options = PackageOf(s.Payload, s.Root, s.Out);
        split(options);
        options.Compression = compression;
        TPackResult packed = Pack(options);
        ASSERT_EQ(2u, packed.ContinuationPaths.size());
        EXPECT_EQ(0u, RunPackage(options.OutputPath, "$SILENT$", s.Root).ExitCode);
        ExpectSameTree(s.Payload, s.Out);
        RemoveTestFolder(s.Out);
    }
}

} // namespace

TEST(CabinetSet, ThreeCabinetsWithFilesSpanningBothBoundaries)
{
    TSet s;
    MakeSpanningPayload(s.Payload);
    ExpectThreeCabinetSetExtracts(s, [](TPackOptions &options) { options.MaxCabinetSize = 16384; });
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

// Data damaged in the continuation, in the middle of the file that spans
// the boundary: the run ends with 1 and leaves no cut-off file, whatever
// the files after it do.
TEST(CabinetSet, FileDamagedInTheContinuationFailsTheRun)
{
    TSet s;
    TPackOptions options;
    TPackResult packed = PackSpanningPair(s, options);
    ASSERT_EQ(1u, packed.ContinuationPaths.size());
    std::string continuation = ReadWholeFile(packed.ContinuationPaths[0]);
    // The first data block of the continuation holds the rest of big.bin.
    ASSERT_GT(continuation.size(), 100u);
    // The folder entries (8 bytes each, no reserve) end where the file
    // entries begin; the first one starts with its data's offset.
    TCabHeader header;
    std::string error;
    ASSERT_TRUE(ReadCabHeader(continuation, header, error)) << error;
    const size_t folder = header.FilesOffset - 8u * header.FolderCount;
    size_t data = 0;
    for (size_t i = 4; i-- > 0;)
        data = data << 8 | static_cast<unsigned char>(continuation[folder + i]);
    ASSERT_LT(data + 200, continuation.size());
    continuation[data + 100] = static_cast<char>(continuation[data + 100] ^ 0xFF);
    ASSERT_TRUE(WriteWholeFile(packed.ContinuationPaths[0], continuation));
    TRunResult run = RunPackage(options.OutputPath, "$SILENT$", s.Root);
    EXPECT_EQ(1u, run.ExitCode);
    ExpectOnlyWholeFiles(s.Payload, s.Out);
}

// A cabinet of another set (or of this set out of order) beside the package
// is refused before the library sees it: a silent run ends at once with 1,
// and the file cut off at the boundary is removed.
TEST(CabinetSet, ContinuationOfAnotherSetEndsASilentRunWithOneAtOnce)
{
    TSet s;
    TPackOptions options;
    TPackResult packed = PackSpanningPair(s, options);
    ASSERT_EQ(1u, packed.ContinuationPaths.size());
    const std::string right = ReadWholeFile(packed.ContinuationPaths[0]);
    for (size_t offset : {SetIdOffset, IndexOffset}) {
        ASSERT_TRUE(WriteWholeFile(packed.ContinuationPaths[0], Altered(right, offset)));
        const DWORD start = GetTickCount();
        TRunResult run = RunPackage(options.OutputPath, "$SILENT$", s.Root, 15000);
        EXPECT_LT(GetTickCount() - start, 10000u) << offset;
        EXPECT_EQ(1u, run.ExitCode) << offset;
        EXPECT_FALSE(run.BoxShown) << run.BoxText;
        ExpectOnlyWholeFiles(s.Payload, s.Out);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((s.Out + "big.bin").c_str())) << offset;
        RemoveTestFolder(s.Out);
    }
}

// Another package's continuation with the same set ID and index (16 bits
// anyone can copy) is not the one whose digest the package records.
TEST(CabinetSet, ContinuationOfAnotherPackageWithTheSameSetIdEndsASilentRunWithOne)
{
    TSet s, other;
    TPackOptions options, otherOptions;
    TPackResult packed = PackSpanningPair(s, options, 42);
    ASSERT_TRUE(WriteWholeFile(other.Payload + "z_good.txt", "EVIL FILE"));
    TPackResult otherPacked = PackSpanningPair(other, otherOptions, 42);
    ASSERT_EQ(1u, otherPacked.ContinuationPaths.size());
    ASSERT_TRUE(WriteWholeFile(packed.ContinuationPaths.at(0), ReadWholeFile(otherPacked.ContinuationPaths[0])));
    EXPECT_EQ(1u, RunPackage(options.OutputPath, "$SILENT$", s.Root).ExitCode);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((s.Out + "z_good.txt").c_str()));
    ExpectOnlyWholeFiles(s.Payload, s.Out);
}

// With a user there, the wrong file is named with the damaged-package
// message; the right one put in place and No goes on, Yes quits.
TEST(CabinetSet, ContinuationOfAnotherSetIsAskedForAgainUntilTheRightOneIsThere)
{
    TSet s;
    TPackOptions options;
    TPackResult packed = PackSpanningPair(s, options);
    ASSERT_EQ(1u, packed.ContinuationPaths.size());
    const std::string continuation = packed.ContinuationPaths[0];
    const std::string right = ReadWholeFile(continuation);
    ASSERT_TRUE(WriteWholeFile(continuation, Altered(right, SetIdOffset)));

    TChild child = StartChild(Quoted(options.OutputPath), s.Root);
    ASSERT_TRUE(child.Process);
    HWND progress = WaitForDialog(child, 101);
    ASSERT_TRUE(progress);
    TBox box = WaitForNewBox(child, {progress});
    ASSERT_TRUE(box.Window) << "no prompt for the wrong cabinet";
    EXPECT_NE(std::string::npos, box.Text.find(DamagedText)) << box.Text;
    EXPECT_NE(std::string::npos, box.Text.find("package2.cab")) << box.Text;
    EXPECT_EQ(ButtonsOf(MB_YESNO), box.Buttons);
    ASSERT_TRUE(WriteWholeFile(continuation, right));
    PressButton(box, IDNO);
    EXPECT_EQ(0u, FinishChild(child));
    ExpectSameTree(s.Payload, s.Out);
    RemoveTestFolder(s.Out);

    ASSERT_TRUE(WriteWholeFile(continuation, Altered(right, SetIdOffset)));
    TRunResult quit = RunAndAnswer(options.OutputPath, s.Root, IDYES);
    EXPECT_EQ(2u, quit.ExitCode);
    EXPECT_NE(std::string::npos, quit.BoxText.find(DamagedText)) << quit.BoxText;
    ExpectOnlyWholeFiles(s.Payload, s.Out);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((s.Out + "big.bin").c_str()));
}

// The library opens the next cabinet's name as the cabinet gives it: a
// name with a folder part is a cabinet that cannot be found, even when a
// file of its bare name lies beside the package and one of the whole name
// in the folder above.
TEST(CabinetSet, ContinuationNameWithAFolderPartIsNeverRead)
{
    TSet s;
    const std::string packageFolder = s.Root + "pkg\\";
    ASSERT_TRUE(CreateDirectoryA(packageFolder.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(s.Payload + "big.bin", NoiseBytes(120000, 13)));
    TPackOptions options = PackageOf(s.Payload, packageFolder, s.Out);
    options.MaxCabinetSize = 70000;
    options.Compression = TCompression::None;
    TPackResult packed = Pack(options);
    ASSERT_EQ(1u, packed.ContinuationPaths.size());
    const std::string continuation = ReadWholeFile(packed.ContinuationPaths[0]);

    // "package2.cab" becomes "..\kage2.cab", of the same length.
    std::string package = ReadWholeFile(options.OutputPath);
    const size_t at = package.find(std::string("package2.cab\0", 13), static_cast<size_t>(packed.CabinetOffset));
    ASSERT_NE(std::string::npos, at);
    package.replace(at, 12, "..\\kage2.cab");
    ASSERT_TRUE(WriteWholeFile(options.OutputPath, package));
    ASSERT_TRUE(WriteWholeFile(packageFolder + "kage2.cab", continuation));
    ASSERT_TRUE(WriteWholeFile(s.Root + "kage2.cab", continuation));

    TRunResult run = RunPackage(options.OutputPath, "$SILENT$", s.Root);
    EXPECT_EQ(1u, run.ExitCode);
    EXPECT_FALSE(run.BoxShown) << run.BoxText;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((s.Out + "big.bin").c_str()));
}

// A set may break between two files: the library then never asks for the
// next cabinet, and the run goes on from the name the header gives. Files
// past the break are extracted, and a missing continuation is still one.
TEST(CabinetSet, SetThatBreaksBetweenFilesIsExtractedWhole)
{
    TSet s;
    MakeSpanningPayload(s.Payload);
    ExpectThreeCabinetSetExtracts(s, [](TPackOptions &options) { options.BreakCabinetAfterFiles = 2; });

    TPackOptions options = PackageOf(s.Payload, s.Root, s.Out);
    options.BreakCabinetAfterFiles = 2;
    TPackResult packed = Pack(options);
    ASSERT_EQ(2u, packed.ContinuationPaths.size());
    ASSERT_TRUE(DeleteFileA(packed.ContinuationPaths[1].c_str()));
    TRunResult run = RunPackage(options.OutputPath, "$SILENT$", s.Root);
    EXPECT_EQ(1u, run.ExitCode);
    EXPECT_EQ(4u, FilesBelow(s.Out).size());
    ExpectOnlyWholeFiles(s.Payload, s.Out);
}

// A target path of 259 characters, the most the file calls take, is
// extracted; one of 260 is refused before anything is touched. The file
// whose path is the target's first 259 characters (the old file itself at
// 259) stays as it was, through a silent run that fails on a missing
// continuation and a visible one that replaces it, then quits at the
// continuation prompt (at 260 the file error is answered Abort).
TEST(CabinetSet, LongTargetPathNeverCostsTheFileOfItsFirst259Characters)
{
    for (size_t length : {259u, 260u}) {
        for (bool silent : {true, false}) {
            TSet s;
            const std::string name = std::string(100, 'd') + "\\" + std::string(length - s.Out.size() - 101, 'f');
            ASSERT_TRUE(WriteWholeFile(s.Payload + "big.bin", NoiseBytes(120000, 17)));
            TPackOptions options = PackageOf(s.Payload, s.Root, s.Out);
            options.Files[0].CabinetName = name;
            options.MaxCabinetSize = 70000;
            options.Compression = TCompression::None;
            TPackResult packed = Pack(options);
            ASSERT_EQ(1u, packed.ContinuationPaths.size());
            ASSERT_TRUE(DeleteFileA(packed.ContinuationPaths[0].c_str()));
            const std::string neighbour = (s.Out + name).substr(0, 259);
            ASSERT_TRUE(CreateFolderTree(GetFolderPart(neighbour)));
            ASSERT_TRUE(WriteWholeFile(neighbour, "neighbour"));

            if (silent) {
                EXPECT_EQ(1u, RunPackage(options.OutputPath, "$SILENT$", s.Root).ExitCode) << length;
            } else {
                TChild child = StartChild(Quoted(options.OutputPath), s.Root);
                HWND progress = WaitForDialog(child, 101);
                ASSERT_TRUE(progress);
                std::vector<HWND> known = {progress};
                if (length == 259) {
                    HWND prompt = WaitForDialog(child, 10);  // the overwrite prompt's path line
                    ASSERT_TRUE(prompt);
                    ASSERT_TRUE(Answer(prompt, 5));          // Yes
                    known.push_back(prompt);
                }
                TBox box = WaitForNewBox(child, known);
                ASSERT_TRUE(box.Window) << length;
                PressButton(box, length == 259 ? IDYES : IDABORT);
                EXPECT_EQ(length == 259 ? 2u : 1u, FinishChild(child)) << length;
            }
            EXPECT_EQ("neighbour", ReadWholeFile(neighbour)) << length << silent;
            if (length == 260) {
                EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(WidePath(s.Out + name).c_str()));
            }
            EXPECT_EQ(1u, FilesBelow(s.Out).size()) << length << silent;
        }
    }
}

// An install run that fails takes its work folder with it, whatever was
// extracted into it: a continuation missing, damaged or of another set,
// silently or quit at the prompt.
TEST(CabinetSet, FailedInstallRunLeavesNoWorkFolder)
{
    TSet s;
    TPackOptions options;
    PackStoredSet(s, options);
    options.Destination = "$INSTALL$";
    TPackResult packed = Pack(options);
    ASSERT_EQ(2u, packed.ContinuationPaths.size());
    const std::string &second = packed.ContinuationPaths[0];
    const std::string right = ReadWholeFile(second);
    const std::vector<std::string> before = WorkFolders();
    const struct {
        std::string Second;
        bool Silent;
        DWORD ExitCode;
    } cases[] = {{"", true, 1}, {"", false, 2}, {std::string(20000, 'x'), true, 1},
                 {Altered(right, SetIdOffset), true, 1}};
    for (const auto &c : cases) {
        if (c.Second.empty())
            DeleteFileA(second.c_str());
        else
            ASSERT_TRUE(WriteWholeFile(second, c.Second));
        TRunResult run = c.Silent ? RunPackage(options.OutputPath, "$SILENT$", s.Root)
                                  : RunAndAnswer(options.OutputPath, s.Root, IDYES);
        EXPECT_EQ(c.ExitCode, run.ExitCode) << c.Second.size();
        EXPECT_EQ(before, WorkFolders()) << c.Second.size() << c.Silent;
    }
}
