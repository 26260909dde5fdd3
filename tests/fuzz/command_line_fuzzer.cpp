// The command-line splitter over any text. Beyond memory safety: quotes
// never survive into an argument, text without quotes splits exactly at
// blanks, and quoting every argument and joining them gives them back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include "FuzzCheck.h"
#include "uCommandLine.h"

namespace {

std::vector<std::string> SplitAtBlanks(const std::string &text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string line(reinterpret_cast<const char *>(data), size);
    const std::vector<std::string> arguments = SplitCommandLine(line);

    size_t quotes = 0;
    for (char c : line)
        quotes += c == '"';
    size_t kept = 0;
    for (const std::string &argument : arguments) {
        FUZZ_CHECK(argument.find('"') == std::string::npos);
        kept += argument.size();
    }
    FUZZ_CHECK(kept <= size - quotes);
    if (quotes == 0)
        FUZZ_CHECK(arguments == SplitAtBlanks(line));

    std::string joined;
    for (const std::string &argument : arguments)
        joined += (joined.empty() ? "\"" : " \"") + argument + "\"";
    FUZZ_CHECK(SplitCommandLine(joined) == arguments);

    // The arguments as typed are the same arguments, quotes kept.
    const std::vector<std::string> typed = SplitCommandLineAsTyped(line);
    FUZZ_CHECK(typed.size() == arguments.size());
    for (size_t i = 0; i < typed.size() && i < arguments.size(); ++i)
        FUZZ_CHECK(ArgumentValue(typed[i]) == arguments[i]);
    return 0;
}
