// The binary project file (".TVR") and its text documentation dump.
//
// Layout: the marker text, version 9, the dialog count, seven header texts,
// gControlStyles, the font table, then one record per dialog that starts with
// the byte 14 and holds its controls. Numbers are little-endian, texts end
// with a NUL. A damaged file is refused as a whole: the caller's project is
// only replaced when every record was read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "resedit/model.h"

namespace vyn::resedit {

constexpr const char* kTvrMarker = "/* Tavra Res Info */";
constexpr std::uint16_t kTvrVersion = 9;
constexpr std::uint8_t kDialogRecordStart = 14;
constexpr std::size_t kTvrMaxText = 1023;

struct TvrImage {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint32_t> dialog_sizes;  // size of each dialog record, in order
};

TvrImage write_tvr(const Project& project);
// Reads a project file. file_name names it in the questions shown. Nothing
// when the file is damaged (after the message saying why) or the user
// declines to read a file without the marker.
std::optional<Project> read_tvr(std::span<const std::uint8_t> bytes, const std::string& file_name, Ui& ui);

// The documentation dump ("tavradoc.doc") of a project as written.
std::string tvr_documentation(const Project& project, const TvrImage& image);

// Loads path into project; project stays as it was on any failure.
bool load_project(const std::string& path, Project& project, Ui& ui);
// Saves project to path through a temporary file, and the documentation dump
// "tavradoc.doc" beside it when documentation is on.
bool save_project(const std::string& path, const Project& project, bool documentation, Ui& ui);

}  // namespace vyn::resedit

namespace vyn::resedit {

// Makes directory the working directory after "Change working directory to
// %s?"; false when the user declines or the change fails ("Impossible to
// change directory").
bool change_project_directory(const std::string& directory, Ui& ui);

}  // namespace vyn::resedit
