// The setup-pack commands. Each takes the arguments after its name and returns the process's
// exit code: 0 success, 1 a fault in the input or the result (named on stderr), 64 a usage
// error; `expand` exits with the decoder's status.
#pragma once

#include <string>
#include <vector>

using Args = std::vector<std::string>;

constexpr int EXIT_FAULT = 1;
constexpr int EXIT_USAGE = 64;

struct Command {
    const char* name;
    const char* usage;     // the argument line
    const char* summary;   // one line
    const char* help;      // the rest of --help
    int (*run)(const Args&);
};

int command_build(const Args& args);
int command_list(const Args& args);
int command_verify(const Args& args);
int command_extract(const Args& args);
int command_compress(const Args& args);
int command_expand(const Args& args);
int command_stamp(const Args& args);
int command_check(const Args& args);

// Every command, for the dispatcher and the help texts.
const std::vector<Command>& all_commands();

// Prints "setup-pack NAME: MESSAGE" on stderr and returns `code`.
int fail(const char* command, const std::string& message, int code = EXIT_FAULT);

// True when `args` asks for the command's help (then it has been printed).
bool wants_help(const char* command, const Args& args);
