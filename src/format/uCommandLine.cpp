// uCommandLine: splitting a command line into arguments.
#include "uCommandLine.h"

namespace {

// Both splitters share the boundaries: blanks separate outside quotes, and
// an argument that is only "" still counts. keepQuotes keeps each
// argument's text as typed instead of its value.
std::vector<std::string> Split(const std::string &commandLine, bool keepQuotes)
{
    std::vector<std::string> result;
    std::string current;
    bool inArgument = false;  // an argument has begun, perhaps as ""
    bool quoted = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
            if (keepQuotes)
                current += c;
        } else if (c == ' ' && !quoted) {
            if (inArgument)
                result.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    // An unbalanced quote simply runs to the end of the line.
    if (inArgument)
        result.push_back(current);
    return result;
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string &commandLine)
{
    return Split(commandLine, false);
}

std::vector<std::string> SplitCommandLineAsTyped(const std::string &commandLine)
{
    return Split(commandLine, true);
}

std::string ArgumentValue(const std::string &typed)
{
    // Quotes only group; nothing else is special, so the value is the
    // typed text without them.
    std::string value;
    for (char c : typed)
        if (c != '"')
            value += c;
    return value;
}

