#include "ide/versions/releases.h"

#include <algorithm>

#include "common/strings.h"
#include "ide/versions/file_io.h"
#include "ide/versions/revision_number.h"

namespace vyn::versions {

namespace {

using platform::RegistryRoot;

constexpr std::size_t kPiece = 511;
// Bounds for counts read back, so that a damaged key cannot make a reader
// loop for ever or allocate without end.
constexpr long kMaxCount = 100000;

std::string value(platform::Registry& registry, std::string_view key, const std::string& name)
{
    return registry.read_string(RegistryRoot::CurrentUser, key, name).value_or("");
}

long count_value(platform::Registry& registry, std::string_view key, const std::string& name)
{
    long n = parse_long(value(registry, key, name)).value_or(0);
    return std::clamp(n, 0L, kMaxCount);
}

bool write(platform::Registry& registry, std::string_view key, const std::string& name, std::string_view text,
           std::string& error)
{
    if (registry.write_string(RegistryRoot::CurrentUser, key, name, text))
        return true;
    error = registry.last_error();
    return false;
}

}  // namespace

std::string project_key(std::string_view project)
{
    return "Software\\vyn\\Tavra\\" + std::string(project);
}

std::vector<Release> read_releases(platform::Registry& registry, std::string_view key)
{
    std::vector<Release> releases;
    long count = count_value(registry, key, "ReleasesListLen");
    for (long i = 1; i <= count; ++i) {
        Release r;
        std::string base = format("Release%ld", i);
        r.name = value(registry, key, base);
        r.author = value(registry, key, base + "Author");
        r.date = value(registry, key, base + "Date");
        long length = count_value(registry, key, base + "DescriptionLen");
        long pieces = (length + static_cast<long>(kPiece) - 1) / static_cast<long>(kPiece);
        for (long p = 1; p <= pieces; ++p)
            r.description += value(registry, key, format("%sDescription%ld", base.c_str(), p));
        if (r.description.size() > static_cast<std::size_t>(length))
            r.description.resize(static_cast<std::size_t>(length));
        long files = count_value(registry, key, base + "FileListLen");
        for (long j = 1; j <= files; ++j) {
            std::string entry = value(registry, key, format("%sFile%ld", base.c_str(), j));
            std::size_t comma = entry.rfind(',');
            if (comma == std::string::npos)
                r.files.emplace_back(entry, "");
            else
                r.files.emplace_back(entry.substr(0, comma), entry.substr(comma + 1));
        }
        releases.push_back(std::move(r));
    }
    return releases;
}

/* add_release: writes the release's values under the next number, then the
 * new count, so that a reader never sees a count that names values not yet
 * written. */
bool check_release_name(platform::Registry& registry, std::string_view key, const std::string& name,
                        std::string& error)
{
    if (name.empty()) {
        error = "Release name required";
        return false;
    }
    for (const Release& r : read_releases(registry, key))
        if (r.name == name) {
            error = format("Release %s already exists", name.c_str());
            return false;
        }
    return true;
}

bool add_release(platform::Registry& registry, std::string_view key, const Release& release, std::string& error)
{
    if (!check_release_name(registry, key, release.name, error))
        return false;
    std::vector<Release> existing = read_releases(registry, key);
    std::string base = format("Release%lu", static_cast<unsigned long>(existing.size() + 1));
    if (!write(registry, key, base, release.name, error) || !write(registry, key, base + "Author", release.author, error) ||
        !write(registry, key, base + "DescriptionLen", std::to_string(release.description.size()), error) ||
        !write(registry, key, base + "Date", release.date, error) ||
        !write(registry, key, base + "FileListLen", std::to_string(release.files.size()), error))
        return false;
    for (std::size_t p = 0; p * kPiece < release.description.size(); ++p)
        if (!write(registry, key, format("%sDescription%lu", base.c_str(), static_cast<unsigned long>(p + 1)),
                   std::string_view(release.description).substr(p * kPiece, kPiece), error))
            return false;
    for (std::size_t j = 0; j < release.files.size(); ++j)
        if (!write(registry, key, format("%sFile%lu", base.c_str(), static_cast<unsigned long>(j + 1)),
                   release.files[j].first + "," + release.files[j].second, error))
            return false;
    return write(registry, key, "ReleasesListLen", std::to_string(existing.size() + 1), error);
}

bool make_release(const StoreContext& context, const std::string& name, const std::string& description,
                  const std::vector<std::string>& files, Ui& ui, Release& release)
{
    if (name.empty()) {
        ui.tell("Release name required");
        return false;
    }
    release = Release{};
    release.name = name;
    release.author = context.user;
    release.date = context.date.empty() ? date_now() : context.date;
    release.description = description;
    if (description.empty()) {
        if (!ui.ask("Release description empty. Use default?"))
            return false;
        release.description = format("Saved by %s  %s.\n", context.user.c_str(), release.date.c_str());
    }
    for (const std::string& file : files) {
        RevisionFile revisions;
        std::string error;
        if (!load_revision_file(context, file, revisions, error) || revisions.count() == 0) {
            ui.tell(error.empty() ? format("No revisions present for %s", file.c_str()) : error);
            return false;
        }
        release.files.emplace_back(file, default_revision(revisions));
    }
    return true;
}

bool get_release(const StoreContext& context, const Release& release, bool overwrite, Ui& ui)
{
    bool all = true;
    for (const auto& [file, revision] : release.files) {
        GetRequest request;
        request.file = file;
        request.revision = revision;
        request.overwrite = overwrite;
        request.quiet = true;
        if (get_file(context, request, ui))
            continue;
        all = false;
        if (!ui.ask(format("Error getting %s. Continue?", file.c_str())))
            return false;
    }
    return all;
}

ProjectSettings read_project_settings(platform::Registry& registry, std::string_view key)
{
    ProjectSettings s;
    auto number = [&](const char* name, long fallback) {
        return parse_long(value(registry, key, name)).value_or(fallback);
    };
    s.cms_directory = value(registry, key, "CmsDirectory");
    s.options.read_only_files = (number("FileOptions", 0) & 0x1) != 0;
    s.options.use_locks = (number("LockOptions", 1) & 0x1) != 0;
    s.options.users_nocase = (number("UsersOptions", 1) & 0x1) != 0;
    s.manager = value(registry, key, "ManagerID");
    s.user = value(registry, key, "UserName");
    s.get_options = static_cast<unsigned>(number("GetOptions", 0));
    s.put_options = static_cast<unsigned>(number("PutOptions", 4));
    return s;
}

}  // namespace vyn::versions
