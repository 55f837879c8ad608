#pragma once

#include "app/AppAction.h"

#include <optional>

// The command line, which the program otherwise does without (it is configured in its settings
// window): --version and --help answer on standard output; --popup, --settings, --guide,
// --clear-history and --quit ask the running program for that action. Anything else is refused
// with a one-line usage message and exit status 2.
struct CommandLine {
    // Set when the arguments were answered here: the exit status.
    std::optional<int> exitStatus;
    // What the program is asked to do; none for a plain start.
    std::optional<AppAction> action;

    // Whether this start runs the program when none runs: a plain start and the actions that
    // open a window do; clearing or quitting a program that is not there only says so.
    bool startsProgram() const {
        return action != AppAction::ClearHistory && action != AppAction::Quit;
    }
};

CommandLine readCommandLine(int argc, char **argv);
