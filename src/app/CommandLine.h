#pragma once

#include <optional>

// The command line answers only --version and --help, each in one line on standard output:
// the program is configured in its settings window, never by arguments. Anything else is
// refused with a one-line usage message and exit status 2.
// The exit status when the arguments were answered here, none when the program should run.
std::optional<int> answerCommandLine(int argc, char **argv);
