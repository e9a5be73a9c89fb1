#include "cli/Arguments.h"

#include <algorithm>
#include <charconv>

const std::vector<std::string>& TCommandLine::Values(const std::string& Option) const {
    static const std::vector<std::string> None;
    const auto Found = Options.find(Option);
    return Found == Options.end() ? None : Found->second;
}

namespace {

bool IsHelp(const std::string& Argument) {
    return Argument == "--help" || Argument == "-h";
}

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& Arguments,
                              const std::vector<TCommandSyntax>& Commands) {
    TCommandLine Line;
    if (Arguments.empty())
        throw EUsageError("no command given");
    if (IsHelp(Arguments.front())) {
        Line.Help = true;
        return Line;
    }
    const auto Syntax =
        std::find_if(Commands.begin(), Commands.end(),
                     [&](const TCommandSyntax& C) { return C.Name == Arguments[0]; });
    if (Syntax == Commands.end())
        throw EUsageError("unknown command '" + Arguments.front() + "'");
    Line.Command = Syntax->Name;

    // Help first, so that "render --help" works whatever else is on the line.
    bool OptionsEnded = false;
    for (size_t I = 1; I < Arguments.size(); ++I) {
        if (Arguments[I] == "--")
            break;
        if (IsHelp(Arguments[I])) {
            Line.Help = true;
            return Line;
        }
    }

    for (size_t I = 1; I < Arguments.size(); ++I) {
        const std::string& Argument = Arguments[I];
        if (!OptionsEnded && Argument == "--") {
            OptionsEnded = true;
            continue;
        }
        // Only "--name" is an option: a zone name or a negative number stays positional.
        if (OptionsEnded || Argument.size() < 3 || Argument.compare(0, 2, "--") != 0) {
            Line.Positionals.push_back(Argument);
            continue;
        }
        const std::string Name = Argument.substr(2);
        const auto Option = Syntax->Options.find(Name);
        if (Option == Syntax->Options.end())
            throw EUsageError("unknown option '" + Argument + "' for " + Syntax->Name);
        if (Line.Has(Name))
            throw EUsageError("option '" + Argument + "' given twice");
        std::vector<std::string>& Values = Line.Options[Name];
        for (int K = 0; K < Option->second; ++K) {
            if (I + 1 >= Arguments.size())
                throw EUsageError("option '" + Argument + "' needs " +
                                  std::to_string(Option->second) + " value" +
                                  (Option->second == 1 ? "" : "s"));
            Values.push_back(Arguments[++I]);
        }
    }

    const size_t Wanted = Syntax->Positionals.size();
    if (Line.Positionals.size() < Wanted)
        throw EUsageError(Syntax->Name + ": missing " +
                          Syntax->Positionals[Line.Positionals.size()]);
    if (Line.Positionals.size() > Wanted)
        throw EUsageError(Syntax->Name + ": unexpected argument '" + Line.Positionals[Wanted] +
                          "'");
    return Line;
}

int ParseBoundedInt(const std::string& Text, int Low, int High, const std::string& What) {
    int Value = 0;
    const char* End = Text.data() + Text.size();
    const auto [Ptr, Error] = std::from_chars(Text.data(), End, Value);
    if (Text.empty() || Error != std::errc() || Ptr != End || Value < Low || Value > High)
        throw EUsageError(What + " must be a whole number from " + std::to_string(Low) + " to " +
                          std::to_string(High) + ", not '" + Text + "'");
    return Value;
}
