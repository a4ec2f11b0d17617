// The command line of vandor-cli on CLI11: the top level ("--help", "--version", the command word) and
// one CLI11 subcommand per command (run, asm, check). A command is a Command: it declares its options
// with option(), reads its plain arguments in argument(), checks the whole line in lineComplete() and
// then runs.
//
// What every command shares beyond plain CLI11:
//   - The first mistake on the line is the one reported, whatever its kind: an unknown option, a bad
//     value, a surplus argument. (CLI11 on its own keeps unknown words until the end.)
//   - "--x=" gives --x an empty value instead of taking the next argument.
//   - Plain arguments and unknown options reach argument() one by one, in line order, "--" included:
//     each command decides what they are (run takes "-x.hex" as its object file; check calls it an
//     unknown option).
//   - Help and usage texts are each command's own Spanish text (a CLI11 formatter), and so are the
//     usage error lines (a CLI11 failure message); a usage error exits with 2.
//
// A new option is one call in the command's constructor, with the checks of its value:
//
//   option("--sid", [this](const std::string& v) { sid_ = v == "1"; })
//       ->check(accepts([](const std::string& v) { return v == "0" || v == "1"; },
//                       withValue("--sid admite 0 o 1, no ")));
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
class Validator;
}  // namespace CLI

namespace vandor::cli {

// Runs vandor-cli with the arguments after the program name; returns the exit status.
int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

class Command {
public:
    // What a "--" on the command's line is: the end of its options (everything after it is a plain
    // argument), or a word like any other, handed to argument().
    enum class Dashes { EndOptions, Word };

    // Adds the subcommand `name` to the top level; `usage` is its help text.
    Command(CLI::App& top, const std::string& name, const std::string& usage, Dashes dashes = Dashes::EndOptions);
    virtual ~Command() = default;
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    CLI::App& app() const { return *app_; }

    // Hands the arguments that CLI11 has not taken and argument() has not seen yet to argument().
    void readArguments();
    // After the whole line: the last arguments, then lineComplete().
    void finishLine();

    // Runs the command after a good line; returns the exit status.
    virtual int run(std::ostream& out, std::ostream& err) = 0;

    // Throws the usage error with this message.
    [[noreturn]] void fail(const std::string& message) const;

protected:
    // An option with a value, "--x v" or "--x=v", as often as it is given. The value's checks are added
    // with check() on the result, in order (not with transform(), which would run them before the words
    // that came earlier on the line are read); `apply` then takes each value that passed them.
    CLI::Option* option(const std::string& name, std::function<void(const std::string&)> apply);

    // A plain argument or an unknown option, in line order. When "--" ends the options, afterDashes is
    // true for everything after it (and that "--" is not handed on).
    virtual void argument(const std::string& text, bool afterDashes) = 0;
    // The checks that need the whole line (a missing argument, help).
    virtual void lineComplete() {}

    // Throws the request for this command's help text.
    [[noreturn]] void showHelp() const;

    // The usage error text on stderr: "vandor-cli NAME: MESSAGE" and where to find help.
    virtual std::string failureText(const std::string& message) const;

private:
    CLI::App* app_;
    Dashes dashes_;
    std::size_t seen_ = 0;
    bool afterDashes_ = false;
};

// Value checks for option(): a value that `valid` accepts passes; for any other the usage error is
// message(value).
CLI::Validator accepts(std::function<bool(const std::string&)> valid,
                       std::function<std::string(const std::string&)> message);
// The message "PREFIX'value'", as in "--sid admite 0 o 1, no '2'".
std::function<std::string(const std::string&)> withValue(std::string prefix);
// A check that the value is not empty, with this message.
CLI::Validator notEmpty(std::string message);

}  // namespace vandor::cli
