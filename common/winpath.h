// Windows path and name rules.
//
// Names are given with either separator ('\\' or '/'); the "last backslash"
// of a rule is the last separator of either kind. Paths made here use
// backslashes. A drive is a letter followed by ':'. Letters are upper-cased
// a to z only, as document names are compared byte by byte.
#pragma once

#include <string>
#include <string_view>

namespace vyn::winpath {

bool is_separator(char c);
bool has_drive(std::string_view path);
// Rooted: starts with a separator after the optional drive ("C:\x", "\x", "\\srv\s").
bool is_rooted(std::string_view path);
// Fully qualified: a drive and a root, or a UNC name.
bool is_absolute(std::string_view path);

// Index of the last separator, or npos.
std::size_t last_separator(std::string_view path);

// "C:\SRC\MAIN.C" -> "MAIN.C"; "C:MAIN.C" -> "MAIN.C".
std::string_view base_name(std::string_view path);
// Everything before the base name, without the last separator except at a root:
// "C:\SRC\MAIN.C" -> "C:\SRC", "C:\MAIN.C" -> "C:\", "MAIN.C" -> "".
std::string directory(std::string_view path);
// The extension of the base name including its dot ("main.c" -> ".c"), or "".
std::string_view extension(std::string_view path);
// The path with its extension replaced by new_extension (which carries its dot,
// or is empty to remove it); a name without extension gets one appended.
std::string replace_extension(std::string_view path, std::string_view new_extension);

// Joins with one backslash between the parts.
std::string join(std::string_view directory, std::string_view name);
// Converts separators to backslashes and removes repeated ones (keeping a UNC "\\").
std::string to_backslashes(std::string_view path);

// The full path of name against base (itself a full path of a directory):
// relative names are taken from base, rooted names from base's drive,
// "X:name" from X's root unless base is on X; "." and ".." are resolved
// (".." at the root stays at the root).
std::string full_path(std::string_view name, std::string_view base);

// The letters a to z upper-cased, everything else unchanged.
std::string upper_az(std::string_view path);

// The path of name relative to directory when it lies inside it (compared
// without regard to a-z case), else name unchanged.
std::string relative_to(std::string_view name, std::string_view directory);

// A Windows-style path turned into one the host's file functions accept:
// on POSIX hosts backslashes become '/', on Windows it is unchanged.
std::string to_host(std::string_view path);

}  // namespace vyn::winpath
