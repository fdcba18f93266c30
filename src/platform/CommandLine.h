#pragma once
// A child is started from one command line, split into arguments by the
// Windows rules (the rules CommandLineToArgvW follows), never by a shell.
#include <string>
#include <string_view>
#include <vector>

namespace movarin {

// Encloses text in double quotes so that SplitCommandLine gives it back as
// exactly one argument. A path without '"' and without trailing backslashes
// comes out as quote + path + quote, unchanged inside. For arguments only:
// the program name knows no escapes, so a name with '"' cannot be quoted.
std::string QuoteArgument(std::string_view text);

// Splits a command line into its program and arguments by the Windows rules.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

} // namespace movarin
