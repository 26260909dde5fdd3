// The package's own copy of the cabinet library, expanded into the system
// folder when the system's copy does not load. Wine is told to load only
// library files ("native") for these packages, so that it neither falls
// back to its own copy nor accepts its own copy's file: what loads is the
// file the package wrote.
#include <windows.h>
#include <gtest/gtest.h>
#include "LoaderFixture.h"
#include "oxTest.h"
#include "uPackage.h"

namespace {

const std::vector<std::pair<std::string, std::string>> FilesOnly = {{"cabinet", "native"}};

FILETIME LastWrite(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// Runs a package that is to fail at its start: it shows message 56, ends
// with exit code 1 when the box is answered, and leaves no compressed copy
// of the library behind.
void ExpectEndsWithMessage56(const std::string &package)
{
    TChild child = StartChild(Quoted(package));
    TBox box = WaitForBox(child);
    if (box.Window)
        PressButton(box, IDOK);
    EXPECT_EQ(FinishChild(child), 1u);
    EXPECT_NE(box.Text.find(DefaultMessages()[55]), std::string::npos) << box.Text;
    EXPECT_FALSE(IsPresent(CompressedCopyPath()));
}

} // namespace

TEST(CarriedLibrary, MissingSystemLibraryIsExpandedFromThePackage)
{
    const char name[] = "expand_package.exe";
    TSystemLibraryGuard guard;
    ASSERT_TRUE(guard.Saved);
    TProgramOverrides overrides(name, FilesOnly);
    const std::string folder = NewTestFolder("expand");
    const std::string carried = NativeCabinetLibrary(folder);
    const std::string package = BuildTestPackage(PayloadPackage(folder, name, carried));
    ASSERT_TRUE(DeleteFileA(SystemLibraryPath().c_str()));

    TChild child = StartChild(Quoted(package) + " $SILENT$");
    ASSERT_EQ(FinishChild(child), 0u) << child.Output;
    ExpectPayloadExtracted(folder);
    EXPECT_TRUE(ReadWholeFile(SystemLibraryPath()) == ReadWholeFile(carried)) << "not the carried library";
    EXPECT_FALSE(IsPresent(CompressedCopyPath()));

    // Now the system has it: the next run loads it and writes nothing.
    const FILETIME expanded = LastWrite(SystemLibraryPath());
    RemoveTestFolder(folder + "out\\");
    Sleep(50);
    child = StartChild(Quoted(package) + " $SILENT$");
    ASSERT_EQ(FinishChild(child), 0u) << child.Output;
    ExpectPayloadExtracted(folder);
    const FILETIME afterwards = LastWrite(SystemLibraryPath());
    EXPECT_EQ(CompareFileTime(&expanded, &afterwards), 0);
    EXPECT_FALSE(IsPresent(CompressedCopyPath()));
    RemoveTestFolder(folder);
}

// A carried file that is no library, or a library without the four entry
// points: the run ends with message 56 and leaves no cabinet.dll behind
// that would fail every later run (and every other program) the same way.
TEST(CarriedLibrary, UnusableCarriedLibraryEndsWithMessage56)
{
    const char name[] = "unusable_package.exe";
    TSystemLibraryGuard guard;
    ASSERT_TRUE(guard.Saved);
    TProgramOverrides overrides(name, FilesOnly);
    const std::string folder = NewTestFolder("unusable");
    ASSERT_TRUE(WriteWholeFile(folder + "notes.txt", "not a library\r\n"));
    for (const std::string &carried : {NoEntryPointsLibraryPath(), folder + "notes.txt"}) {
        SCOPED_TRACE(carried);
        TPackOptions options = PayloadPackage(folder, name, carried);
        options.LibraryUnchecked = true;  // oxpack refuses both; a package made otherwise may carry them
        const std::string package = BuildTestPackage(options);
        DeleteFileA(SystemLibraryPath().c_str());
        ASSERT_FALSE(IsPresent(SystemLibraryPath()));

        ExpectEndsWithMessage56(package);
        EXPECT_FALSE(IsPresent(SystemLibraryPath()));
        EXPECT_FALSE(IsPresent(folder + "out\\readme.txt"));
    }
    RemoveTestFolder(folder);
}

// A package built to carry no library (oxpack --no-library) on a system
// without one ends as one whose library is damaged.
TEST(CarriedLibrary, PackageWithoutLibraryEndsWithMessage56WhereTheSystemHasNone)
{
    const char name[] = "nolibrary_package.exe";
    TSystemLibraryGuard guard;
    ASSERT_TRUE(guard.Saved);
    TProgramOverrides overrides(name, FilesOnly);
    const std::string folder = NewTestFolder("nolibrary");
    TPackOptions options = PayloadPackage(folder, name, std::string());
    options.NoLibrary = true;
    const std::string package = BuildTestPackage(options);
    DeleteFileA(SystemLibraryPath().c_str());
    ASSERT_FALSE(IsPresent(SystemLibraryPath()));

    ExpectEndsWithMessage56(package);
    EXPECT_FALSE(IsPresent(SystemLibraryPath()));
    EXPECT_FALSE(IsPresent(folder + "out\\readme.txt"));
    RemoveTestFolder(folder);
}

// The system's copy is there but does not load: it is the system's, and
// the package must not replace it with the copy it carries.
TEST(CarriedLibrary, ExistingSystemLibraryIsNeverReplaced)
{
    const char name[] = "existing_package.exe";
    TSystemLibraryGuard guard;
    ASSERT_TRUE(guard.Saved);
    TProgramOverrides overrides(name, FilesOnly);
    const std::string folder = NewTestFolder("existing");
    const std::string package = BuildTestPackage(PayloadPackage(folder, name, NativeCabinetLibrary(folder)));

    ExpectEndsWithMessage56(package);
    EXPECT_TRUE(ReadWholeFile(SystemLibraryPath()) == guard.Original) << "the system's library was replaced";
    RemoveTestFolder(folder);
}
