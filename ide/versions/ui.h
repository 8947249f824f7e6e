// What the version-control routines need from their caller's user
// interface: tell a message, ask a yes/no question. The IDE shows message
// boxes and a CMS output window; the console tool prints and answers
// questions from its options; tests script the answers.
#pragma once

#include <string>
#include <vector>

namespace vyn::versions {

class Ui {
public:
    virtual ~Ui() = default;
    virtual void tell(const std::string& message) = 0;
    // true for yes.
    virtual bool ask(const std::string& question) = 0;
};

// Collects messages and answers every question with a fixed answer.
class RecordingUi : public Ui {
public:
    explicit RecordingUi(bool answer = false) : answer_(answer) {}
    void tell(const std::string& message) override { messages.push_back(message); }
    bool ask(const std::string& question) override
    {
        questions.push_back(question);
        return answer_;
    }
    std::vector<std::string> messages;
    std::vector<std::string> questions;

private:
    bool answer_;
};

}  // namespace vyn::versions
