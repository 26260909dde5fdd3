// The package's switches over any command line. Beyond memory safety:
// every argument is either consumed as a switch or passed on unchanged and
// in order, nothing passed on is a switch, and a password never reaches
// the log's copy of the arguments.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include "FuzzCheck.h"
#include "uCommandLine.h"
#include "uDestinationRule.h"
#include "uPackageSwitches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string line(reinterpret_cast<const char *>(data), size);
    const std::vector<std::string> typed = SplitCommandLineAsTyped(line);
    const TPackageSwitches switches = ParsePackageSwitches(typed);

    // Passed is the typed list with the switches left out.
    size_t next = 0;
    for (const std::string &argument : typed)
        if (next < switches.Passed.size() && switches.Passed[next] == argument)
            ++next;
    FUZZ_CHECK(next == switches.Passed.size());
    FUZZ_CHECK(switches.Passed.size() <= typed.size());

    // Nothing passed on is consumed when handed over again.
    const TPackageSwitches again = ParsePackageSwitches(switches.Passed);
    FUZZ_CHECK(again.Passed == switches.Passed);
    FUZZ_CHECK(!again.Silent && !again.ExtractOnly && !again.PassExitCode && !again.Help);
    FUZZ_CHECK(!again.DestinationGiven && !again.PasswordGiven && again.LogFile.empty());

    // Every password argument is masked in the log's copy (unless another
    // argument holds the same text, the text spans a blank and could be
    // made of two arguments, or the password is stars, which the mask is).
    for (size_t i = 0; i < typed.size(); ++i) {
        const std::string value = ArgumentValue(typed[i]);
        std::string upper = value;
        for (char &c : upper)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 0x20);
        if (upper.compare(0, 11, "$PASSWORD$=") != 0 || value.size() == 11 || value.find(' ') != std::string::npos ||
            value.find_first_not_of('*', 11) == std::string::npos)
            continue;
        bool elsewhere = false;
        for (size_t j = 0; j < typed.size(); ++j)
            elsewhere = elsewhere || (j != i && typed[j].find(value) != std::string::npos);
        FUZZ_CHECK(elsewhere || switches.Logged.find(value) == std::string::npos);
    }
    IsFullPath(switches.Destination);
    return 0;
}
