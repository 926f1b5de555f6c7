#include <algorithm>

#include "cli/command.h"

namespace mouse::cli {

namespace {

bool IsHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

void PrintCommandList(const std::vector<Command>& commands, std::ostream& out) {
    out << "usage: mousectl COMMAND [ARGS...]\n"
           "       mousectl COMMAND --help\n\ncommands:\n";
    size_t width = 0;
    for (const Command& command : commands) {
        width = std::max(width, std::string(command.name).size());
    }
    for (const Command& command : commands) {
        const std::string name = command.name;
        out << "  " << name << std::string(width - name.size() + 2, ' ') << command.summary << "\n";
    }
    out << "\n  completion bash|zsh|fish  print a shell completion script\n"
           "  --version                 print mousectl's version\n";
}

// Completion scripts made from the command list, so a new command completes
// without touching them: the command names first, then files.
void PrintCompletion(const std::vector<Command>& commands, const std::string& shell,
                     std::ostream& out) {
    std::string names = "completion";
    for (const Command& command : commands) {
        names += ' ';
        names += command.name;
    }
    if (shell == "bash") {
        out << "# bash completion for mousectl: source it, or put it in\n"
               "# ~/.local/share/bash-completion/completions/mousectl\n"
               "_mousectl() {\n"
               "    local cur=${COMP_WORDS[COMP_CWORD]}\n"
               "    if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
               "        COMPREPLY=($(compgen -W \""
            << names
            << " --help --version\" -- \"$cur\"))\n"
               "    elif [ \"${COMP_WORDS[1]}\" = completion ]; then\n"
               "        COMPREPLY=($(compgen -W \"bash zsh fish\" -- \"$cur\"))\n"
               "    else\n"
               "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
               "    fi\n"
               "}\n"
               "complete -o filenames -F _mousectl mousectl\n";
    } else if (shell == "zsh") {
        out << "#compdef mousectl\n"
               "# zsh completion for mousectl: put it in a folder of $fpath as _mousectl\n"
               "_mousectl() {\n"
               "    if (( CURRENT == 2 )); then\n"
               "        compadd -- "
            << names
            << " --help --version\n"
               "    elif [[ $words[2] == completion ]]; then\n"
               "        compadd -- bash zsh fish\n"
               "    else\n"
               "        _files\n"
               "    fi\n"
               "}\n"
               "compdef _mousectl mousectl\n";
    } else {
        out << "# fish completion for mousectl: put it in\n"
               "# ~/.config/fish/completions/mousectl.fish\n"
               "complete -c mousectl -n __fish_use_subcommand -f -a '"
            << names
            << "'\n"
               "complete -c mousectl -n '__fish_seen_subcommand_from completion' -f -a "
               "'bash zsh fish'\n";
    }
}

const Command* Find(const std::vector<Command>& commands, const std::string& name) {
    for (const Command& command : commands) {
        if (name == command.name) {
            return &command;
        }
    }
    return nullptr;
}

}  // namespace

int Dispatch(const std::vector<Command>& commands, const std::vector<std::string>& args,
             std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        PrintCommandList(commands, err);
        return kExitUsage;
    }
    if (args[0] == "--version") {
        out << "mousectl " << MOUSE_VERSION << "\n";
        return kExitOk;
    }
    if (args[0] == "completion") {
        const bool known =
            args.size() == 2 && (args[1] == "bash" || args[1] == "zsh" || args[1] == "fish");
        if (!known) {
            (args.size() == 2 && IsHelp(args[1]) ? out : err)
                << "usage: mousectl completion bash|zsh|fish\n"
                   "Prints the shell's completion script for mousectl, e.g.\n"
                   "  source <(mousectl completion bash)\n";
            return args.size() == 2 && IsHelp(args[1]) ? kExitOk : kExitUsage;
        }
        PrintCompletion(commands, args[1], out);
        return kExitOk;
    }
    if (IsHelp(args[0]) || args[0] == "help") {
        if (args.size() > 1) {
            if (const Command* command = Find(commands, args[1])) {
                out << command->usage;
                return kExitOk;
            }
            err << "mousectl: unknown command '" << args[1] << "'\n";
            return kExitUsage;
        }
        PrintCommandList(commands, out);
        return kExitOk;
    }
    const Command* command = Find(commands, args[0]);
    if (!command) {
        err << "mousectl: unknown command '" << args[0] << "'\n";
        PrintCommandList(commands, err);
        return kExitUsage;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& arg : rest) {
        if (arg == "--") {
            break;
        }
        if (IsHelp(arg)) {
            out << command->usage;
            return kExitOk;
        }
    }
    return command->run(rest, out, err);
}

}  // namespace mouse::cli
