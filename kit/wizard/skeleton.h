// The application skeleton the wizard writes for a new project: its
// command line, the two files it generates and the three-line answer the
// IDE reads back ("label: value" for the name and each file).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vyn::wizard {

struct Request {
    std::string ide_window;  // /tavra:
    std::string name;        // /prjname:
    std::string path;        // /prjpath:
    std::string out;         // /out:
    bool dll = false;        // /dll
};

// The request of the command line; nothing (with the message) when a
// switch is unknown or the name, path or output file is missing.
std::optional<Request> parse_request(const std::vector<std::string>& args, std::string& error);

struct GeneratedFile {
    std::string path;  // inside the project path
    std::string text;
};

// A Windows program: the C source with WinMain and a window, and its
// resource script; a DLL: the C source with LibMain and its .def file.
std::vector<GeneratedFile> skeleton(const Request& request);

// "Project: %s\nSource: %s\nResources: %s\n" (the second label is
// "Definitions" for a DLL).
std::string answer_text(const Request& request, const std::vector<GeneratedFile>& files);

}  // namespace vyn::wizard
