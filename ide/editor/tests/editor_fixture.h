// A scripted host and clipboard, a scratch directory on disk, and an editor
// session wired to them.
#pragma once

#include "ide/editor/editor.h"
#include "common/strings.h"
#include "common/winpath.h"
#include "ide/editor/commands.h"
#include "ide/editor/language.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace vyn::editor::testing {

class ScriptedHost : public EditorHost {
public:
    std::vector<std::string> told;
    std::vector<std::string> asked;
    std::deque<bool> answers;  // yes/no answers; an unscripted question is a test failure
    std::optional<std::string> file_to_read;
    std::optional<std::string> file_to_write;
    std::optional<int> bookmark_choice;
    std::vector<std::string> bookmark_list;
    std::optional<int> line_number;
    std::vector<int> posted;
    std::vector<int> brought_forward;  // view ids, in order
    std::map<char, Macro> macros;
    std::string date = "08 Dec 2026";

    void tell(const std::string& message) override { told.push_back(message); }
    bool ask_yes_no(const std::string& question) override
    {
        asked.push_back(question);
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << question;
            return false;
        }
        bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::string> choose_file_to_read() override { return file_to_read; }
    std::optional<std::string> choose_file_to_write() override { return file_to_write; }
    std::optional<int> choose_bookmark(const std::vector<std::string>& list) override
    {
        bookmark_list = list;
        return bookmark_choice;
    }
    std::optional<int> ask_line_number() override { return line_number; }
    void post_command(int command) override { posted.push_back(command); }
    void bring_forward(int view_id) override { brought_forward.push_back(view_id); }
    std::optional<Macro> macro(char letter) override
    {
        auto found = macros.find(letter);
        if (found == macros.end())
            return std::nullopt;
        return found->second;
    }
    std::string date_text() override { return date; }
};

class FakeClipboard : public SystemClipboard {
public:
    std::optional<std::string> content;
    int puts = 0;
    void put_text(const std::string& text) override
    {
        content = text;
        ++puts;
    }
    std::optional<std::string> text() override { return content; }
};

// A fresh directory under the build's test scratch area for each test.
inline std::filesystem::path scratch_directory()
{
    const char* root = std::getenv("VYN_TEST_TMP");
    std::filesystem::path base = root ? root : std::filesystem::temp_directory_path();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::path dir = base / "editor" / (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline void write_bytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string read_bytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<std::string> texts(const Document& document)
{
    std::vector<std::string> all;
    for (const Line& line : document.lines)
        all.push_back(line.text);
    return all;
}

class EditorTest : public ::testing::Test {
protected:
    ScriptedHost host;
    FakeClipboard system_clipboard;
    Editor editor{host, system_clipboard};

    // A document with the given lines shown in one view; the name decides
    // its language ("T.C" is a C source).
    View& make(const std::vector<std::string>& lines, const std::string& name = "C:\\T.TXT")
    {
        Document& document = editor.create_document(name);
        for (const std::string& text : lines)
            document.lines.push_back(Line{text, 0});
        if (name.ends_with(".C")) {
            document.language = &c_language();
            document.flags |= docflag::c_source;
        }
        return editor.open_view(document);
    }
    // Loads a file into a new document and view.
    View& load(const std::filesystem::path& path)
    {
        Document& document = editor.create_document(path.string());
        EXPECT_EQ(editor.load_file(path.string(), document), LoadResult::ok);
        return editor.open_view(document);
    }
};

}  // namespace vyn::editor::testing
