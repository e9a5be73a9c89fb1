#pragma once

#include <ostream>
#include <string>
#include <vector>

// Exit statuses of the tool.
enum TExitStatus : int {
    esOk = 0,
    esFound = 1,  // check found something, no path, a refused save, a message shown
    esFailed = 2, // bad arguments, a file that cannot be read or written
};

// Runs one command line of zonewright-cli (the arguments without the program name),
// writing results to Out and errors, messages and help for bad arguments to Err. Needs a
// QApplication. Messages the library would show in a box go to Err with their exact text
// and make the status non-zero.
int RunCli(const std::vector<std::string>& Arguments, std::ostream& Out, std::ostream& Err);

// The tool's help, and one command's.
std::string ToolHelp();
std::string CommandHelp(const std::string& Command);
