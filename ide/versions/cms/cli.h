// Command-line plumbing of vyncms: option parsing, the console Ui, the
// defaults for the CMS directory, the user and the date.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ide/versions/store.h"
#include "ide/versions/ui.h"

namespace vyn::versions::cms {

/* Parsed arguments: flags ("-k"), options with a value ("-m TEXT") and the
 * remaining operands in order. with_value lists the letters that take a
 * value; an unknown letter is an error. */
struct Arguments {
    std::map<char, std::string> values;
    std::map<char, int> flags;
    std::vector<std::string> operands;
    std::vector<std::string> repeated_n;  // every -n value, in order
    std::string error;

    bool has(char c) const { return flags.count(c) || values.count(c); }
    std::string value(char c, const std::string& fallback = {}) const
    {
        auto it = values.find(c);
        return it == values.end() ? fallback : it->second;
    }
};
Arguments parse_arguments(const std::vector<std::string>& args, const std::string& flag_letters,
                          const std::string& value_letters);

// Prints messages on standard output (errors on standard error), answers
// questions with yes only when assume_yes, except that creating a missing
// CMS directory is always accepted (it destroys nothing).
class ConsoleUi : public Ui {
public:
    explicit ConsoleUi(bool assume_yes) : assume_yes_(assume_yes) {}
    void tell(const std::string& message) override;
    bool ask(const std::string& question) override;
    const std::string& last() const { return last_; }

private:
    bool assume_yes_;
    std::string last_;
};

// The store context from -d, -u, -R, the project named by -P (its
// registry values) and the environment.
StoreContext make_context(const Arguments& args);
// The manager of the project named by -P, or empty.
std::string project_manager(const Arguments& args);
// The Get and Put option words of the project named by -P (without one: 0,
// and for put a new project's default, "Keep source").
unsigned project_get_options(const Arguments& args);
unsigned project_put_options(const Arguments& args);
std::string system_user();

int usage(const char* message = nullptr);

int cmd_checksum(const std::vector<std::string>& args);
int cmd_diff(const std::vector<std::string>& args);
int cmd_patch(const std::vector<std::string>& args);
int cmd_merge(const std::vector<std::string>& args);
int cmd_put(const std::vector<std::string>& args);
int cmd_get(const std::vector<std::string>& args);
int cmd_lock(const std::vector<std::string>& args, bool lock);
int cmd_admin(const std::vector<std::string>& args);
int cmd_log(const std::vector<std::string>& args);
int cmd_ops(const std::vector<std::string>& args);
int cmd_changed(const std::vector<std::string>& args);
int cmd_release(const std::vector<std::string>& args);

}  // namespace vyn::versions::cms
