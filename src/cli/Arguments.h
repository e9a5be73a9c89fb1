#pragma once

#include "platform/Exception.h"

#include <map>
#include <string>
#include <vector>

// A command line that cannot be used: wrong command, missing or extra arguments, unknown
// options. The tool prints the message with the usage and exits with status 2.
class EUsageError : public Exception {
public:
    using Exception::Exception;
};

// What one command accepts: its positional arguments by name (for messages) and its
// options with the number of values each takes.
struct TCommandSyntax {
    std::string Name;
    std::vector<std::string> Positionals;
    std::map<std::string, int> Options;
};

// A parsed command line. Options are stored without their leading "--".
struct TCommandLine {
    std::string Command; // empty for the tool's own --help
    bool Help = false;   // --help given (for the tool or for Command)
    std::vector<std::string> Positionals;
    std::map<std::string, std::vector<std::string>> Options;

    bool Has(const std::string& Option) const { return Options.count(Option) != 0; }
    const std::vector<std::string>& Values(const std::string& Option) const;
};

// Arguments exclude the program name. "--help" (or "-h") anywhere asks for help and
// wins over every other error once the command is known; "--" ends the options. Raises
// EUsageError for an unknown command or option, a missing option value, a repeated option
// and a wrong number of positional arguments.
TCommandLine ParseCommandLine(const std::vector<std::string>& Arguments,
                              const std::vector<TCommandSyntax>& Commands);

// A whole decimal number from Low to High, or EUsageError naming What.
int ParseBoundedInt(const std::string& Text, int Low, int High, const std::string& What);
