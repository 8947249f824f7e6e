// A Ui that records every message and answers questions from a script.
#pragma once

#include <string>
#include <vector>

#include "resedit/model.h"

namespace vyn::resedit::testing {

struct RecordingUi : Ui {
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    bool answer = false;
    void message(const std::string& text) override { messages.push_back(text); }
    bool ask(const std::string& question) override
    {
        questions.push_back(question);
        return answer;
    }
};

}  // namespace vyn::resedit::testing
