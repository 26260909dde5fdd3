// Packages signed after they are built (Authenticode, with osslsigncode
// and a certificate made for the test by openssl, both run natively): the
// signature verifies and the package still extracts every byte, silently
// and with its dialog, with and without continuation cabinets.
#include <windows.h>

#include <gtest/gtest.h>

#include "PackTestTools.h"
#include "oxPackFixture.h"
#include "oxProcess.h"
#include "oxTest.h"
#include "uPackage.h"

namespace {

struct SigningTest : ::testing::Test {
    std::string Folder;
    TPackOptions Options;

    void SetUp() override
    {
        Folder = NewTestFolder("oxsign");
        ASSERT_FALSE(Folder.empty());
        CreateDirectoryA((Folder + "in").c_str(), nullptr);
        Options.ExtractorPath = BinFolder() + "oxtarn.exe";
        Options.OutputPath = Folder + "package.exe";
        Options.Title = "Signed";
        Options.Destination = Folder + "out\\";
        for (int i = 0; i < 3; ++i) {
            const std::string name = "data" + std::to_string(i) + ".bin";
            ASSERT_TRUE(WriteWholeFile(Folder + "in\\" + name, NoiseBytes(30000, 40 + i)));
            Options.Files.push_back({Folder + "in\\" + name, name});
        }
    }
    void TearDown() override { RemoveTestFolder(Folder); }

    // Builds, signs into signed.exe beside the package and verifies the
    // signature; the signed file is what the user runs.
    std::string BuildAndSign()
    {
        std::string error;
        EXPECT_TRUE(MakePackage(Options, error)) << error;
        const std::string key = ShellPath(Folder + "key.pem"), cert = ShellPath(Folder + "cert.pem");
        const std::string signedPath = Folder + "signed.exe";
        std::string output;
        const int code = RunNative("openssl req -x509 -newkey rsa:2048 -nodes -keyout " + key + " -out " + cert
                                       + " -days 2 -subj /CN=oxpack-test"
                                       " && osslsigncode sign -certs " + cert + " -key " + key
                                       + " -n Package -in " + ShellPath(Options.OutputPath) + " -out "
                                       + ShellPath(signedPath) + " && osslsigncode verify -CAfile " + cert + " "
                                       + ShellPath(signedPath),
                                   output);
        EXPECT_EQ(0, code) << output;
        EXPECT_NE(std::string::npos, output.find("Signature verification: ok")) << output;
        return signedPath;
    }

    void ExpectExtracted()
    {
        for (const TPackFile &file : Options.Files)
            EXPECT_TRUE(ReadWholeFile(Folder + "out\\" + file.CabinetName) == ReadWholeFile(file.SourcePath))
                << file.CabinetName;
        RemoveTestFolder(Folder + "out\\");
    }

    void ExpectRunsSilentlyAndWithItsDialog(const std::string &package)
    {
        TChild silent = StartChild("\"" + package + "\" $SILENT$");
        EXPECT_EQ(0u, FinishChild(silent, 60000)) << silent.Output;
        ExpectExtracted();
        TChild shown = StartChild("\"" + package + "\"");
        EXPECT_EQ(0u, FinishChild(shown, 60000)) << shown.Output;
        ExpectExtracted();
    }
};

}  // namespace

TEST_F(SigningTest, SignedPackageVerifiesAndStillExtracts)
{
    const std::string package = BuildAndSign();
    ASSERT_FALSE(HasFatalFailure());
    const std::string before = ReadWholeFile(Options.OutputPath), after = ReadWholeFile(package);
    ASSERT_GT(after.size(), before.size()) << "the signature is appended";
    ExpectRunsSilentlyAndWithItsDialog(package);
}

TEST_F(SigningTest, SignedPackageWithContinuationCabinetsStillExtracts)
{
    Options.MaxCabinetSize = 40000;
    Options.Compression = TCompression::None;
    Options.PasswordProtected = false;
    const std::string package = BuildAndSign();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(FileExists(Folder + "package2.cab"));
    ExpectRunsSilentlyAndWithItsDialog(package);
}
