#include "cli/cli_arguments.h"

#include <algorithm>

namespace tavrix::cli {

namespace {

const OptionInfo* FindOption(const std::vector<OptionInfo>& known, const std::string& word) {
    for (const auto& option : known) {
        if (word == option.name || (!option.shortName.empty() && word == option.shortName) ||
            std::ranges::find(option.aliases, word) != option.aliases.end()) {
            return &option;
        }
    }
    return nullptr;
}

// "-vvv" as three times "-v": every letter must be a known flag.
std::optional<std::vector<const OptionInfo*>> FlagBundle(const std::vector<OptionInfo>& known,
                                                         const std::string& word) {
    if (word.size() < 3 || word[0] != '-' || word[1] == '-') {
        return std::nullopt;
    }
    std::vector<const OptionInfo*> flags;
    for (std::size_t i = 1; i < word.size(); ++i) {
        const OptionInfo* flag = FindOption(known, std::string{'-', word[i]});
        if (flag == nullptr || flag->takesValue) {
            return std::nullopt;
        }
        flags.push_back(flag);
    }
    return flags;
}

}  // namespace

Arguments::Arguments(const std::vector<std::string>& args, const std::vector<OptionInfo>& known) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || word == "-" || word.size() < 2 || word[0] != '-') {
            positionals_.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = word;
        std::optional<std::string> inlineValue;
        if (const auto equals = word.find('=');
            word.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = word.substr(0, equals);
            inlineValue = word.substr(equals + 1);
        }
        if (name == "--password") {
            throw UsageError(
                "a password is never taken from the command line (it shows in the process "
                "list); use --password-env VAR or --password-file FILE");
        }
        const OptionInfo* option = FindOption(known, name);
        if (option == nullptr) {
            if (const auto flags = FlagBundle(known, word)) {
                for (const OptionInfo* flag : *flags) {
                    values_[flag->name].emplace_back();
                }
                continue;
            }
            throw UsageError("unknown option " + name);
        }
        if (!option->takesValue) {
            if (inlineValue) {
                throw UsageError(option->name + " takes no value");
            }
            values_[option->name].emplace_back();
            continue;
        }
        if (inlineValue) {
            values_[option->name].push_back(*inlineValue);
        } else if (i + 1 < args.size()) {
            values_[option->name].push_back(args[++i]);
        } else {
            throw UsageError(name + " needs a value");
        }
    }
}

std::optional<std::string> Arguments::Value(const std::string& name) const {
    const auto found = values_.find(name);
    if (found == values_.end() || found->second.empty()) {
        return std::nullopt;
    }
    return found->second.back();
}

std::vector<std::string> Arguments::Values(const std::string& name) const {
    const auto found = values_.find(name);
    return found == values_.end() ? std::vector<std::string>{} : found->second;
}

std::string Arguments::Required(const std::string& name) const {
    auto value = Value(name);
    if (!value) {
        throw UsageError(name + " is required");
    }
    return *value;
}

}  // namespace tavrix::cli
