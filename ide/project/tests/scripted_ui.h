// A project UI that records what it was told and answers from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "ide/project/project_ui.h"

namespace vyn::project::testing {

struct ScriptedUi : ProjectUi {
    std::vector<std::string> informed, errors, asked;
    std::deque<bool> answers;             // for ask(); empty: no
    std::optional<std::string> text_answer;
    void inform(const std::string& m) override { informed.push_back(m); }
    void error(const std::string& m) override { errors.push_back(m); }
    bool ask(const std::string& q) override
    {
        asked.push_back(q);
        if (answers.empty())
            return false;
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> ask_text(const std::string& prompt) override
    {
        asked.push_back(prompt);
        return text_answer;
    }
};

}  // namespace vyn::project::testing
