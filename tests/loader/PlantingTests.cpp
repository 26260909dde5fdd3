// Libraries planted beside a package or in the folder it starts in, with
// Wine told to prefer a library file over its own copy, must never run.
#include <windows.h>
#include <gtest/gtest.h>
#include "LoaderFixture.h"
#include "oxTest.h"

namespace {

// The cabinet library, and libraries that the progress dialog brings in at
// run time: the common controls, the animation's video library and the
// theme library. (Libraries the system's own modules import are loaded
// before the extractor runs a line of its own, and are not its to guard.)
const char *const PlantedNames[] = {"cabinet", "comctl32", "msvfw32", "uxtheme"};

std::vector<std::pair<std::string, std::string>> PreferPlanted()
{
    std::vector<std::pair<std::string, std::string>> orders;
    for (const char *name : PlantedNames)
        orders.push_back({name, "native,builtin"});
    return orders;
}

void PlantAll(const std::string &folder)
{
    for (const char *name : PlantedNames)
        ASSERT_TRUE(PlantDecoy(folder, std::string(name) + ".dll")) << folder << name;
}

void ExpectNoneRan(const std::string &folder)
{
    for (const char *name : PlantedNames)
        EXPECT_FALSE(DecoyRan(folder, std::string(name) + ".dll")) << folder << name;
}

struct TProbeResult {
    DWORD ExitCode = 0xFFFFFFFF;
    std::string ModulePath;
};

TProbeResult Probe(const std::string &probe, const std::string &arguments, const std::string &folder)
{
    TChild child = StartChild(Quoted(probe) + " " + arguments, folder);
    TProbeResult result;
    result.ExitCode = FinishChild(child);
    result.ModulePath = child.Output;
    return result;
}

const char ProbeName[] = "planted_probe.exe";

std::string ProbeIn(const std::string &folder)
{
    const std::string probe = folder + ProbeName;
    EXPECT_TRUE(CopyFileA((BinFolder() + "library_probe.exe").c_str(), probe.c_str(), FALSE));
    return probe;
}

} // namespace

// Without these the other tests could pass for want of a working plant:
// a plain load by name does run a copy planted in the program's own
// folder, once Wine is told to prefer library files to its own.
TEST(PlantedLibrary, PlainLoadByNameRunsThePlantedCopy)
{
    TProgramOverrides overrides(ProbeName, PreferPlanted());
    const std::string beside = NewTestFolder("plain_beside");
    const std::string current = NewTestFolder("plain_current");
    const std::string clean = NewTestFolder("plain_clean");
    PlantAll(beside);
    ASSERT_TRUE(PlantDecoy(current, "cabinet.dll"));

    for (const char *name : PlantedNames) {
        const std::string library = std::string(name) + ".dll";
        TProbeResult result = Probe(ProbeIn(beside), library, current);
        EXPECT_EQ(result.ExitCode, 0u) << library;
        EXPECT_EQ(result.ModulePath, beside + library);
        EXPECT_TRUE(DecoyRan(beside, library)) << library;
    }

    // The current folder comes after the system folder in the search, so
    // the system's copy is found first there.
    TProbeResult result = Probe(ProbeIn(clean), "cabinet.dll", current);
    EXPECT_EQ(result.ExitCode, 0u);
    EXPECT_EQ(result.ModulePath, SystemLibraryPath());
    EXPECT_FALSE(DecoyRan(current, "cabinet.dll"));

    for (const std::string &folder : {beside, current, clean})
        RemoveTestFolder(folder);
}

TEST(PlantedLibrary, RestrictedSearchLoadsOnlyFromTheSystemFolder)
{
    TProgramOverrides overrides(ProbeName, PreferPlanted());
    const std::string beside = NewTestFolder("restrict_beside");
    const std::string current = NewTestFolder("restrict_current");
    PlantAll(beside);
    PlantAll(current);
    const std::string probe = ProbeIn(beside);

    TProbeResult result = Probe(probe, "restrict cabinet.dll", current);
    EXPECT_EQ(result.ExitCode, 0u);
    EXPECT_EQ(result.ModulePath, SystemLibraryPath());
    for (const char *name : PlantedNames) {
        result = Probe(probe, std::string("restrict ") + name + ".dll", current);
        EXPECT_EQ(result.ExitCode, 0u) << name;
        EXPECT_EQ(result.ModulePath.find(beside), std::string::npos) << result.ModulePath;
        EXPECT_EQ(result.ModulePath.find(current), std::string::npos) << result.ModulePath;
    }
    ExpectNoneRan(beside);
    ExpectNoneRan(current);
    RemoveTestFolder(beside);
    RemoveTestFolder(current);
}

// The package starts in a folder of planted copies, lies beside others,
// and extracts with the system's libraries: silently, and with its
// progress dialog, which loads more libraries by name at run time.
TEST(PlantedLibrary, PackageNeverRunsPlantedCopies)
{
    const char name[] = "planted_package.exe";
    TProgramOverrides overrides(name, PreferPlanted());
    for (const bool silent : {true, false}) {
        SCOPED_TRACE(silent ? "silent" : "with progress dialog");
        const std::string folder = NewTestFolder("plant_package");
        const std::string current = NewTestFolder("plant_current");
        const std::string package = BuildTestPackage(PayloadPackage(folder, name, std::string()));
        PlantAll(folder);
        PlantAll(current);

        TChild child = StartChild(Quoted(package) + (silent ? " $SILENT$" : ""), current);
        EXPECT_EQ(FinishChild(child), 0u) << child.Output;
        ExpectPayloadExtracted(folder);
        ExpectNoneRan(folder);
        ExpectNoneRan(current);
        RemoveTestFolder(folder);
        RemoveTestFolder(current);
    }
}
