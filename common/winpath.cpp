#include "common/winpath.h"

#include <vector>

#include "common/strings.h"

namespace vyn::winpath {

bool is_separator(char c)
{
    return c == '\\' || c == '/';
}

static bool is_letter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool has_drive(std::string_view path)
{
    return path.size() >= 2 && is_letter(path[0]) && path[1] == ':';
}

bool is_rooted(std::string_view path)
{
    std::size_t start = has_drive(path) ? 2 : 0;
    return path.size() > start && is_separator(path[start]);
}

static bool is_unc(std::string_view path)
{
    return path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]);
}

bool is_absolute(std::string_view path)
{
    return is_unc(path) || (has_drive(path) && is_rooted(path));
}

std::size_t last_separator(std::string_view path)
{
    return path.find_last_of("\\/");
}

static std::size_t base_start(std::string_view path)
{
    std::size_t sep = last_separator(path);
    if (sep != std::string_view::npos)
        return sep + 1;
    return has_drive(path) ? 2 : 0;
}

std::string_view base_name(std::string_view path)
{
    return path.substr(base_start(path));
}

std::string directory(std::string_view path)
{
    std::size_t start = base_start(path);
    std::string_view dir = path.substr(0, start);
    std::size_t root_length = (has_drive(path) ? 2 : 0) + (is_rooted(path) ? 1 : 0);
    if (!dir.empty() && is_separator(dir.back()) && dir.size() > root_length)
        dir.remove_suffix(1);
    return std::string(dir);
}

std::string_view extension(std::string_view path)
{
    std::string_view base = base_name(path);
    std::size_t dot = base.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    return base.substr(dot);
}

std::string replace_extension(std::string_view path, std::string_view new_extension)
{
    std::string_view old = extension(path);
    std::string out(path.substr(0, path.size() - old.size()));
    out += new_extension;
    return out;
}

std::string join(std::string_view directory, std::string_view name)
{
    std::string out(directory);
    if (!out.empty() && !is_separator(out.back()) && !(out.size() == 2 && has_drive(out)))
        out += '\\';
    while (!name.empty() && is_separator(name.front()) && !out.empty())
        name.remove_prefix(1);
    out += name;
    return out;
}

std::string to_backslashes(std::string_view path)
{
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        char c = path[i];
        if (!is_separator(c)) {
            out += c;
            continue;
        }
        bool keep_unc_pair = (i == 1 && is_separator(path[0]));
        if (out.empty() || out.back() != '\\' || keep_unc_pair)
            out += '\\';
    }
    return out;
}

// Splits the root ("C:\", "\\server\share\", "\") from the rest of an
// absolute path and resolves "." and ".." in the rest.
static std::string normalise_absolute(std::string_view path)
{
    std::string p = to_backslashes(path);
    std::string root;
    std::string_view rest;
    if (is_unc(p)) {
        // \\server\share is the root; ".." never climbs above it.
        std::size_t server_end = p.find('\\', 2);
        std::size_t share_end = server_end == std::string::npos ? std::string::npos
                                                                : p.find('\\', server_end + 1);
        root = share_end == std::string::npos ? p + "\\" : p.substr(0, share_end + 1);
        rest = share_end == std::string::npos ? std::string_view{} : std::string_view(p).substr(share_end + 1);
    } else {
        root = p.substr(0, 3);
        rest = std::string_view(p).substr(3);
    }
    std::vector<std::string> parts;
    for (const std::string& part : split(rest, '\\')) {
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out = root + vyn::join(parts, "\\");
    bool keeps_trailing_root = out.size() == root.size() && !is_unc(p);
    if (!keeps_trailing_root && !out.empty() && out.back() == '\\' && out.size() > 3)
        out.pop_back();
    return out;
}

std::string full_path(std::string_view name, std::string_view base)
{
    if (is_absolute(name))
        return normalise_absolute(name);
    std::string base_full = is_absolute(base) ? std::string(base) : join("C:\\", base);
    if (has_drive(name)) {
        bool same_drive = upper_ascii(name[0]) == upper_ascii(base_full[0]) && has_drive(base_full);
        std::string start = same_drive ? base_full : std::string(name.substr(0, 2)) + "\\";
        return normalise_absolute(join(start, name.substr(2)));
    }
    if (is_rooted(name)) {
        std::string drive_root = has_drive(base_full) ? base_full.substr(0, 2) : "C:";
        return normalise_absolute(drive_root + std::string(name));
    }
    return normalise_absolute(join(base_full, name));
}

std::string upper_az(std::string_view path)
{
    return to_upper_ascii(path);
}

std::string relative_to(std::string_view name, std::string_view dir)
{
    std::string prefix = to_backslashes(dir);
    if (prefix.empty())
        return std::string(name);
    if (prefix.back() != '\\')
        prefix += '\\';
    std::string full = to_backslashes(name);
    if (full.size() > prefix.size() && starts_with_nocase(full, prefix))
        return full.substr(prefix.size());
    return std::string(name);
}

std::string to_host(std::string_view path)
{
#ifdef _WIN32
    return std::string(path);
#else
    std::string out(path);
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
#endif
}

}  // namespace vyn::winpath
