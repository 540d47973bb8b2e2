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

int command_check_build(const Args& args);

// The command line of a command: options that take a value ("--name VALUE" or
// "--name=VALUE"; given twice, both are kept in order) and the other arguments in order.
struct ParsedArgs {
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> positional;
    // The last value given for `name` ("" when none); `given` tells whether there was one.
    std::string value(const std::string& name, bool* given = nullptr) const;
    std::vector<std::string> values(const std::string& name) const;
};

// Splits `args`: each of `with_value` takes a value; any other argument starting with "--"
// is unknown. False with `error` (a usage error) on an unknown option or a missing value.
bool parse_args(const Args& args, const std::vector<std::string>& with_value, ParsedArgs& out, std::string& error);

// The tool's version, as `setup-pack --version` prints it.
extern const char* const SETUP_PACK_VERSION;

// Every command, for the dispatcher and the help texts.
const std::vector<Command>& all_commands();

// Prints "setup-pack NAME: MESSAGE" on stderr and returns `code`.
int fail(const char* command, const std::string& message, int code = EXIT_FAULT);

// True when `args` asks for the command's help (then it has been printed).
bool wants_help(const char* command, const Args& args);
