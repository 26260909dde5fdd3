// oxpack: the package builder's command line; see uPackCommand.
#include <string>
#include <vector>

#include "mPackSystem.h"
#include "uPackCommand.h"
#include "uPackage.h"

namespace {

void WriteError(const std::string &text)
{
    WriteStandard(true, text);
}

}  // namespace

int main(int argc, char **argv)
{
    OnInterrupt([] { InterruptPackage(); });
    const std::vector<std::string> arguments = CommandArguments(argc, argv);
    TProgressOutput progress;
    progress.Write = WriteError;
    progress.Console = ErrorIsConsole();
    std::string out, err;
    int code = RunPackCommand(arguments, out, err, &progress);
    WriteStandard(false, out);
    WriteError(err);
    return code;
}
