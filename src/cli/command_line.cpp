#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/commands.h"

namespace vandor::cli {
namespace {

constexpr const char* kUsage =
    "Uso: vandor-cli ORDEN [opciones]\n"
    "\n"
    "Órdenes:\n"
    "  run OBJETO [opciones]   ejecuta un fichero objeto Intel HEX (vandor-cli run --help)\n"
    "  asm FUENTE              ensambla un fuente .ASM en .HEX y .LST (vandor-cli asm --help)\n"
    "  check EJERCICIO FUENTE...  comprueba fuentes de alumnos con un ejercicio (vandor-cli check --help)\n"
    "  --help                  esta ayuda\n"
    "  --version               la versión\n";

// A mistake on the line, printed by the failure message of the App it belongs to.
class UsageError : public CLI::ParseError {
public:
    UsageError(const CLI::App& where, const std::string& message)
        : CLI::ParseError("UsageError", message, 2), where_(&where) {}
    const CLI::App& where() const { return *where_; }

private:
    const CLI::App* where_;
};

// The help text of an App was asked for.
struct HelpRequest {
    const CLI::App* app;
};

// Every help text is the App's description, written as it stands.
class UsageFormatter final : public CLI::FormatterBase {
public:
    std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode) const override {
        return app->get_description();
    }
};

// Two kinds of word mean something else to CLI11 than here: "--x=" (CLI11 reads "--x" and takes the next
// word as the value) and "++" (CLI11 ends the command there and drops it). Each gets a NUL after it, so
// that "--x=\0" gives the value "\0" and "++\0" is a plain word. No real argument holds a NUL, so every
// text read back from CLI11 simply drops them.
std::vector<std::string> forCli11(const std::vector<std::string>& args) {
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them from the back
    for (std::string& a : reversed)
        if (a.ends_with('=') || a == "++") a.push_back('\0');
    return reversed;
}

std::string asGiven(std::string text) {
    std::erase(text, '\0');
    return text;
}

// The words before the command: the first one is help, the version or a command that does not exist.
// Read when a command starts and at the end of the line, so that it comes before any mistake after it.
void readTopLevel(const CLI::App& top) {
    const std::vector<std::string> words = top.remaining();
    if (words.empty()) return;
    const std::string first = asGiven(words.front());
    if (first == "--help" || first == "-h") throw HelpRequest{&top};
    if (first == "--version") throw CLI::CallForVersion("vandor-cli " VANDOR_VERSION_TEXT, 0);
    throw UsageError(top, "Orden desconocida: " + first);
}

}  // namespace

Command::Command(CLI::App& top, const std::string& name, const std::string& usage, Dashes dashes)
    : app_(top.add_subcommand(name, usage)), dashes_(dashes) {
    app_->set_help_flag();  // "--help" and "-h" are read by argument(): each command has its own rules
    app_->allow_extras();
    // CLI11 gives a subcommand's remaining words back to the top level at a "--" once its positionals are
    // full. A positional that never takes a word keeps the whole line here: every plain word becomes an
    // extra, read in order by readArguments().
    app_->add_option("argumentos")->check(CLI::Validator([](std::string&) { return std::string("-"); }, ""));
    app_->validate_positionals();
    app_->preparse_callback([&top](std::size_t) { readTopLevel(top); });
    app_->failure_message([this](const CLI::App*, const CLI::Error& e) { return failureText(e.what()); });
}

void Command::readArguments() {
    const std::vector<std::string> words = app_->remaining();
    while (seen_ < words.size()) {
        const std::string text = asGiven(words[seen_++]);
        if (dashes_ == Dashes::EndOptions && !afterDashes_ && text == "--") {
            afterDashes_ = true;
            continue;
        }
        argument(text, afterDashes_);
    }
}

void Command::finishLine() {
    readArguments();
    lineComplete();
}

CLI::Option* Command::option(const std::string& name, std::function<void(const std::string&)> apply) {
    CLI::Option* o = app_->add_option(name, [apply](const CLI::results_t& values) {
        apply(values.back());
        return true;
    });
    // Each value is handled as it is read, after whatever came before it on the line.
    o->trigger_on_parse();
    o->transform(CLI::Validator(
        [this](std::string& value) {
            readArguments();
            value = asGiven(value);
            return std::string();
        },
        ""));
    return o;
}

void Command::fail(const std::string& message) const { throw UsageError(*app_, message); }

void Command::showHelp() const { throw HelpRequest{app_}; }

std::string Command::failureText(const std::string& message) const {
    const std::string name = app_->get_name();
    return "vandor-cli " + name + ": " + message + "\n(vandor-cli " + name + " --help da la ayuda)\n";
}

CLI::Validator accepts(std::function<bool(const std::string&)> valid,
                       std::function<std::string(const std::string&)> message) {
    return CLI::Validator(
        [valid = std::move(valid), message = std::move(message)](std::string& value) {
            return valid(value) ? std::string() : message(value);
        },
        "");
}

std::function<std::string(const std::string&)> withValue(std::string prefix) {
    return [prefix = std::move(prefix)](const std::string& value) { return prefix + "'" + value + "'"; };
}

CLI::Validator notEmpty(std::string message) {
    return accepts([](const std::string& value) { return !value.empty(); },
                   [message = std::move(message)](const std::string&) { return message; });
}

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App top(kUsage, "vandor-cli");
    top.set_help_flag();  // help is one of the top-level words, read by readTopLevel()
    top.allow_extras();
    top.require_subcommand(0, 1);  // one command: a command's name later on the line is a plain word
    top.formatter(std::make_shared<UsageFormatter>());
    top.failure_message([](const CLI::App* app, const CLI::Error& e) {
        const std::string message = e.what();
        return (message.empty() ? "" : message + "\n") + app->get_description();
    });
    const std::unique_ptr<Command> commands[] = {runCommand(top), asmCommand(top), checkCommand(top)};

    Command* command = nullptr;
    const auto chosen = [&]() -> Command* {
        for (const std::unique_ptr<Command>& c : commands)
            if (c->app().parsed()) return c.get();
        return nullptr;
    };
    try {
        try {
            top.parse(forCli11(args));
        } catch (const CLI::ArgumentMismatch&) {
            // Only an option at the end of the line can lack its value; a mistake before it comes first.
            command = chosen();
            command->readArguments();
            command->fail("falta el valor de " + args.back());
        } catch (const CLI::ValidationError& e) {
            // CLI11 puts the option's name before the check's message: "--pc: valor hexadecimal ...".
            const std::string text = e.what();
            chosen()->fail(text.substr(text.find(": ") + 2));
        }
        readTopLevel(top);
        command = chosen();
        if (!command) throw UsageError(top, "");  // no command at all: the usage text alone
        command->finishLine();
    } catch (const HelpRequest& help) {
        out << help.app->get_formatter()->make_help(help.app, help.app->get_name(), CLI::AppFormatMode::Normal);
        return 0;
    } catch (const UsageError& e) {
        return e.where().exit(e, out, err);
    } catch (const CLI::ParseError& e) {
        return top.exit(e, out, err);
    }
    return command->run(out, err);
}

}  // namespace vandor::cli
