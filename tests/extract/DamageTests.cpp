// Packages that are damaged, hostile or meet a full disk: a defined exit
// code, the package's own message, and nothing written outside the
// destination.
#include <windows.h>
#include <gtest/gtest.h>
#include "ExtractFixture.h"
#include "oxPackFixture.h"
#include "oxTest.h"
#include "format/uObfuscate.h"
#include "uPackageReport.h"

namespace {

struct TDamage {
    std::string Root = NewTestFolder("damage");
    std::string Payload = Root + "payload\\";
    std::string Out = Root + "out\\";
    TDamage() { CreateDirectoryA(Payload.c_str(), nullptr); }
    ~TDamage() { RemoveTestFolder(Root); }
};

const char DamagedText[] =
    "The cabinet has most likely been damaged, please obtain a new copy of this cabinet and try again.";

// Indexes into RawSettingsLines.
enum { SilentFlag = 13 };

// The cabinet's offset in a package built by oxpack.
TPackResult Pack(const TPackOptions &options)
{
    TPackResult result;
    std::string error;
    EXPECT_TRUE(MakePackage(options, result, error)) << error;
    return result;
}

bool Contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

// out\in\setup.exe, a file of the user's a wildcard name would match.
void PlantUsersFile(const std::string &out, const std::string &in)
{
    CreateDirectoryA(out.c_str(), nullptr);
    CreateDirectoryA(in.c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(in + "setup.exe", "mine"));
}

} // namespace

TEST(DamagedPackage, TruncatedOrUnrecognisedCabinetEndsWithTwoBeforeWritingAnything)
{
    TDamage s;
    ASSERT_TRUE(WriteWholeFile(s.Payload + "a.txt", "first file"));
    ASSERT_TRUE(WriteWholeFile(s.Payload + "b.bin", NoiseBytes(200000, 3)));
    TPackOptions options = PackageOf(s.Payload, s.Root, s.Out);
    const TPackResult packed = Pack(options);
    const std::string whole = ReadWholeFile(options.OutputPath);

    const std::string truncated = whole.substr(0, whole.size() - 1000);
    std::string renamed = whole;
    renamed[static_cast<size_t>(packed.CabinetOffset) + 3] = 'X';  // "MSCX"
    for (const std::string &bytes : {truncated, renamed}) {
        ASSERT_TRUE(WriteWholeFile(options.OutputPath, bytes));
        TRunResult silent = RunPackage(options.OutputPath, "$SILENT$", s.Root);
        EXPECT_EQ(2u, silent.ExitCode);
        EXPECT_FALSE(silent.BoxShown);
        EXPECT_TRUE(FilesBelow(s.Out).empty());
    }
    // Shown in the package's words when a user is there.
    TRunResult shown = RunAndAnswer(options.OutputPath, s.Root);
    EXPECT_EQ(2u, shown.ExitCode);
    EXPECT_TRUE(Contains(shown.BoxText, DamagedText)) << shown.BoxText;
}

// Damage anywhere in the package or its set is named by oxpack --inspect,
// which reads every block of every cabinet as the extractor would.
TEST(DamagedPackage, InspectFindsDamageAnywhereInTheSet)
{
    enum { Sound, FirstFile, MiddleFile, LastFile, CutOff, OtherSet, MissingContinuation };
    const struct {
        int Damage;
        bool Protected;
    } cases[] = {{Sound, false}, {FirstFile, false}, {MiddleFile, false}, {LastFile, false}, {MiddleFile, true},
                 {CutOff, false}, {OtherSet, false}, {MissingContinuation, false}, {Sound, true}};
    for (const auto &c : cases) {
        TDamage s;
        const bool set = c.Damage >= OtherSet;
        for (int i = 0; i < (set ? 5 : 3); ++i)
            ASSERT_TRUE(WriteWholeFile(s.Payload + char('a' + i) + ".bin", NoiseBytes(set ? 9000 : 40000, 20 + i)));
        TPackOptions options = PackageOf(s.Payload, s.Root, s.Out);
        options.Compression = TCompression::None;
        options.MaxCabinetSize = set ? 16384 : 0;
        options.PasswordProtected = c.Protected;
        options.Password = c.Protected ? "pw" : "";
        const TPackResult packed = Pack(options);
        std::string bytes = ReadWholeFile(options.OutputPath);
        std::string cabinet = bytes.substr(static_cast<size_t>(packed.CabinetOffset));
        ScrambleAt(reinterpret_cast<unsigned char *>(&cabinet[0]), static_cast<int32_t>(cabinet.size()), 0,
                   options.Password);
        if (c.Damage >= FirstFile && c.Damage <= LastFile) {
            const std::string file = ReadWholeFile(s.Payload + char('a' + c.Damage - FirstFile) + ".bin");
            const size_t at = cabinet.find(file.substr(20000, 64));
            ASSERT_NE(std::string::npos, at);
            bytes[static_cast<size_t>(packed.CabinetOffset) + at] ^= 0x20;
        }
        if (c.Damage == CutOff)
            bytes.resize(bytes.size() - 1000);
        ASSERT_TRUE(WriteWholeFile(options.OutputPath, bytes));
        if (c.Damage == OtherSet) {
            std::string second = ReadWholeFile(packed.ContinuationPaths.at(0));
            second[32] ^= 0x5A;  // the set ID
            ASSERT_TRUE(WriteWholeFile(packed.ContinuationPaths[0], second));
        }
        if (c.Damage == MissingContinuation)
            ASSERT_TRUE(DeleteFileA(packed.ContinuationPaths.at(1).c_str()));
        std::string report, error;
        EXPECT_EQ(c.Damage == Sound || c.Damage == MissingContinuation,
                  InspectPackage(options.OutputPath, options.Password, report, error))
            << c.Damage << error;
    }
}

TEST(DamagedPackage, CorruptDataEndsWithOneAndTheLibrarysReason)
{
    TDamage s;
    ASSERT_TRUE(WriteWholeFile(s.Payload + "b.bin", std::string(300000, 'z')));
    TPackOptions options = PackageOf(s.Payload, s.Root, s.Out);
    const TPackResult packed = Pack(options);
    std::string bytes = ReadWholeFile(options.OutputPath);
    // Well inside the compressed data, past the headers.
    for (size_t i = bytes.size() - 200; i < bytes.size() - 100; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    ASSERT_TRUE(WriteWholeFile(options.OutputPath, bytes));
    EXPECT_EQ(1u, RunPackage(options.OutputPath, "$SILENT$", s.Root).ExitCode);
    // The file cut off by the failure is not left behind as if complete.
    EXPECT_TRUE(FilesBelow(s.Out).empty());
    TRunResult shown = RunAndAnswer(options.OutputPath, s.Root);
    EXPECT_EQ(1u, shown.ExitCode);
    EXPECT_TRUE(Contains(shown.BoxText, "Failure decompressing data from a cabinet file") ||
                Contains(shown.BoxText, "Cabinet file is corrupt"))
        << shown.BoxText;
    (void)packed;
}

// A failure in the middle of the first file leaves the destination empty:
// removed when the run made it, kept when it was there before.
TEST(DamagedPackage, FailureRemovesAnEmptyDestinationOnlyWhenTheRunMadeIt)
{
    TDamage s;
    ASSERT_TRUE(WriteWholeFile(s.Payload + "b.bin", std::string(300000, 'z')));
    TPackOptions options = PackageOf(s.Payload, s.Root, s.Out);
    Pack(options);
    std::string bytes = ReadWholeFile(options.OutputPath);
    for (size_t i = bytes.size() - 200; i < bytes.size() - 100; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    ASSERT_TRUE(WriteWholeFile(options.OutputPath, bytes));

    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(s.Out.c_str()));
    EXPECT_EQ(1u, RunPackage(options.OutputPath, "$SILENT$", s.Root).ExitCode);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(s.Out.c_str())) << "the run's own folder stayed";

    ASSERT_TRUE(CreateDirectoryA(s.Out.c_str(), nullptr));
    EXPECT_EQ(1u, RunPackage(options.OutputPath, "$SILENT$", s.Root).ExitCode);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(s.Out.c_str())) << "the user's folder was removed";
    EXPECT_TRUE(FilesBelow(s.Out).empty());
}

TEST(DamagedPackage, CabinetOffsetBeyondTwoGigabytesCannotBeSought)
{
    TDamage s;
    std::vector<std::string> lines = RawSettingsLines(s.Out);
    lines[SilentFlag] = "TRUE";
    lines[2] = "2147483648";
    WriteRawPackage(s.Root + "far.exe", lines, "MSCF");
    EXPECT_EQ(1u, RunPackage(s.Root + "far.exe", "", s.Root).ExitCode);
}

TEST(HostileCabinet, NamesThatLeaveTheDestinationAreNeverWritten)
{
    TDamage s;
    ASSERT_TRUE(WriteWholeFile(s.Payload + "x.txt", "escape attempt"));
    const std::string source = s.Payload + "x.txt";
    for (const std::string name : {"..\\escaped.txt", "a\\..\\..\\escaped.txt", "a\\. .\\..\\escaped.txt",
                                   "\\escaped.txt", "Z:escaped.txt", "a/../../escaped.txt"}) {
        const std::string cabinet =
            CabinetOf({{source, "safe.txt"}, {source, name}, {source, "after.txt"}}, s.Root);
        std::vector<std::string> lines = RawSettingsLines(s.Out + "in\\");
        const std::string package = WriteRawCabinetPackage(s.Root + "hostile.exe", lines, cabinet);
        // Silent: a file that cannot be created ends the run with 1.
        EXPECT_EQ(1u, RunPackage(package, "$SILENT$", s.Root).ExitCode) << name;
        EXPECT_EQ(std::vector<std::string>{"safe.txt"}, FilesBelow(s.Out + "in\\")) << name;
        if (name == "..\\escaped.txt") {
            // A user is asked with the path and may skip the file.
            RemoveTestFolder(s.Out);
            TRunResult shown = RunAndAnswer(package, s.Root, IDIGNORE);
            EXPECT_EQ(0u, shown.ExitCode);
            EXPECT_EQ("M34\rM30\r" + s.Out + "in\\" + name, shown.BoxText);
            EXPECT_EQ((std::vector<std::string>{"after.txt", "safe.txt"}), FilesBelow(s.Out + "in\\"));
        }
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((s.Out + "escaped.txt").c_str())) << name;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((s.Root + "escaped.txt").c_str())) << name;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("Z:\\escaped.txt")) << name;
        RemoveTestFolder(s.Out);
    }
}

// Names the system would not write as they stand: a wildcard that matches
// a file of the user's, levels it would shorten onto another name, devices.
// Each is a file that cannot be created: exit code 1 in a silent run,
// nothing written under another name, the user's file untouched.
TEST(HostileCabinet, NamesThatAreNoFileNamesAreNeverWritten)
{
    TDamage s;
    ASSERT_TRUE(WriteWholeFile(s.Payload + "x.txt", "not a file name"));
    const std::string source = s.Payload + "x.txt";
    const std::string in = s.Out + "in\\";
    for (const std::string name : {"*.exe", "setup.ex?", "trail.", "blank ", "sub.\\f.txt", "NUL", "con.txt",
                                   "LPT1\\f.txt", "a|b.txt"}) {
        PlantUsersFile(s.Out, in);
        const std::string cabinet =
            CabinetOf({{source, "safe.txt"}, {source, name}, {source, "after.txt"}}, s.Root);
        const std::string package =
            WriteRawCabinetPackage(s.Root + "names.exe", RawSettingsLines(in), cabinet);
        TRunResult run = RunPackage(package, "$SILENT$", s.Root);
        EXPECT_EQ(1u, run.ExitCode) << name;
        EXPECT_FALSE(run.BoxShown) << name;
        EXPECT_EQ((std::vector<std::string>{"safe.txt", "setup.exe"}), FilesBelow(in)) << name;
        EXPECT_EQ("mine", ReadWholeFile(in + "setup.exe")) << name;
        if (name == "*.exe") {
            // A user is told the name with message 30 and may skip it.
            RemoveTestFolder(s.Out);
            PlantUsersFile(s.Out, in);
            TRunResult shown = RunAndAnswer(package, s.Root, IDIGNORE);
            EXPECT_EQ(0u, shown.ExitCode);
            EXPECT_EQ("M34\rM30\r" + in + name, shown.BoxText);
            EXPECT_EQ((std::vector<std::string>{"after.txt", "safe.txt", "setup.exe"}), FilesBelow(in));
            EXPECT_EQ("mine", ReadWholeFile(in + "setup.exe"));
        }
        RemoveTestFolder(s.Out);
    }
}

// Some writers separate levels with "/": the folders are made as for "\\",
// and the same rules hold for each level.
TEST(HostileCabinet, SlashSeparatedNamesLandInTheirFolders)
{
    TDamage s;
    ASSERT_TRUE(WriteWholeFile(s.Payload + "x.txt", "slash"));
    const std::string source = s.Payload + "x.txt";
    const std::string in = s.Out + "in\\";
    const std::string cabinet = CabinetOf({{source, "sub/deeper/x.txt"}, {source, "sub/../../up.txt"}}, s.Root);
    const std::string package = WriteRawCabinetPackage(s.Root + "slash.exe", RawSettingsLines(in), cabinet);
    TRunResult run = RunPackage(package, "$SILENT$", s.Root);
    EXPECT_EQ(1u, run.ExitCode) << "the name that leaves the destination fails the run";
    EXPECT_EQ("slash", ReadWholeFile(in + "sub\\deeper\\x.txt"));
    EXPECT_FALSE(FileExists(s.Out + "up.txt"));
    EXPECT_FALSE(FileExists(in + "up.txt"));
}

TEST(HostileCabinet, AttributeBitsThatAreNoFileAttributesDoNotCostTheOthers)
{
    TDamage s;
    ASSERT_TRUE(WriteWholeFile(s.Payload + "ro.txt", "read only"));
    ASSERT_TRUE(SetFileAttributesA((s.Payload + "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    std::string cabinet = CabinetOf({{s.Payload + "ro.txt", "ro.txt"}}, s.Root);
    // The file entry's attribute word follows its size, folder index,
    // date and time; add the executable bit (0x40).
    const size_t entry = static_cast<unsigned char>(cabinet[16]) | static_cast<unsigned char>(cabinet[17]) << 8;
    const size_t attributes = entry + 14;
    ASSERT_EQ(FILE_ATTRIBUTE_READONLY, static_cast<unsigned char>(cabinet[attributes]) & 0x07);
    cabinet[attributes] = static_cast<char>(cabinet[attributes] | 0x40);
    std::vector<std::string> lines = RawSettingsLines(s.Out);
    lines[SilentFlag] = "TRUE";
    const std::string package = WriteRawCabinetPackage(s.Root + "attributes.exe", lines, cabinet);
    EXPECT_EQ(0u, RunPackage(package, "", s.Root).ExitCode);
    const DWORD found = GetFileAttributesA((s.Out + "ro.txt").c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, found);
    EXPECT_TRUE(found & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((s.Out + "ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FullDisk, RunningOutOfRoomEndsWithOneAndMessage23)
{
    const std::string mounts = BinFolder() + "..\\ex-mounts\\";
    if (GetFileAttributesA((mounts + "ready").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no small file system: " << ReadWholeFile(mounts + "unavailable");
    TDamage s;
    ASSERT_TRUE(WriteWholeFile(s.Payload + "fits.txt", "small"));
    ASSERT_TRUE(WriteWholeFile(s.Payload + "huge.bin", NoiseBytes(3000000, 9)));
    const std::string out = mounts + "small\\out\\";
    TPackOptions options = PackageOf(s.Payload, s.Root, out);
    BuildTestPackage(options);
    EXPECT_EQ(1u, RunPackage(options.OutputPath, "$SILENT$", s.Root).ExitCode);
    // The cut-off file is gone; what was complete stays.
    EXPECT_EQ(std::vector<std::string>{"fits.txt"}, FilesBelow(out));
    RemoveTestFolder(out);
    TRunResult shown = RunAndAnswer(options.OutputPath, s.Root, IDYES);
    EXPECT_EQ(1u, shown.ExitCode);
    EXPECT_TRUE(Contains(shown.BoxText, "Failure writing to target file")) << shown.BoxText;
    RemoveTestFolder(out);
}

// Links inside the destination, made by setup.sh on the host: a file link
// and a folder link, each leading outside. The extraction never goes
// through either: the user is asked as for a file that cannot be created
// (Abort ends with 1), and nothing outside changes.
TEST(Links, TargetBehindALinkInsideTheDestinationIsAFileError)
{
    const std::string links = BinFolder() + "..\\ex-links\\";
    if (GetFileAttributesA((links + "ready").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no links made by setup.sh";
    for (const char *name : {"file.txt", "folder\\pwn.txt"}) {
        TDamage s;
        ASSERT_TRUE(WriteWholeFile(s.Payload + "new.txt", "new"));
        TPackOptions options = PackageOf(s.Payload, s.Root, links + "dest\\");
        options.Files[0].CabinetName = name;
        BuildTestPackage(options);
        TRunResult run = RunAndAnswer(options.OutputPath, s.Root, IDABORT);
        EXPECT_EQ(1u, run.ExitCode) << name;
        EXPECT_TRUE(Contains(run.BoxText, name)) << run.BoxText;
        EXPECT_EQ("outside", ReadWholeFile(links + "outside\\file.txt")) << name;
        EXPECT_TRUE(FilesBelow(links + "outside\\folder\\").empty()) << name;
    }
}
