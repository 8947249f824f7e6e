// What the project routines ask of the user. The IDE shows message boxes;
// tests script the answers.
#pragma once

#include <optional>
#include <string>

namespace vyn::project {

class ProjectUi {
public:
    virtual ~ProjectUi() = default;
    // An information message.
    virtual void inform(const std::string& message) = 0;
    // An error message.
    virtual void error(const std::string& message) = 0;
    // true for yes.
    virtual bool ask(const std::string& question) = 0;
    // A line of text typed by the user, nothing when cancelled.
    virtual std::optional<std::string> ask_text(const std::string& prompt) = 0;
};

}  // namespace vyn::project
