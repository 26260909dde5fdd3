// oxpack: the package builder's command line; see uPackCommand.
#include <cstdio>
#include <string>
#include <vector>

#include "uPackCommand.h"

int main(int argc, char **argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string out, err;
    int code = RunPackCommand(arguments, out, err);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    std::fwrite(err.data(), 1, err.size(), stderr);
    return code;
}
