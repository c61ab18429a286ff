#pragma once
// The command line's options: "--name value", "--name=value", "-X value",
// flags, and bundled one-letter flags ("-vvv"); everything else is a
// positional argument ("--" ends the options).

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavrix::cli {

// Bad usage: main prints it as one line and exits with 3.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct OptionInfo {
    std::string name;       // "--host": the name the values are kept under
    std::string shortName;  // "-H", or empty
    bool takesValue = true;
    std::vector<std::string> aliases = {};  // other spellings: "--hostname"
};

class Arguments {
  public:
    // Throws UsageError for an unknown option or a missing value.
    Arguments(const std::vector<std::string>& args, const std::vector<OptionInfo>& known);

    bool Has(const std::string& name) const { return values_.count(name) != 0; }
    // The last value given.
    std::optional<std::string> Value(const std::string& name) const;
    std::string Required(const std::string& name) const;
    // Every value given, in order (a flag gives one empty value each time).
    std::vector<std::string> Values(const std::string& name) const;
    std::size_t Count(const std::string& name) const { return Values(name).size(); }
    const std::vector<std::string>& Positionals() const { return positionals_; }

  private:
    std::map<std::string, std::vector<std::string>> values_;
    std::vector<std::string> positionals_;
};

}  // namespace tavrix::cli
