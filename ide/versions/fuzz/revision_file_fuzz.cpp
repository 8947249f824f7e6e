// Feeds arbitrary bytes to the revision-file reader. Whatever it accepts
// must be written back and read again identically, and every revision
// rebuilt without a crash. Then the store works on it as a user would: the
// file is placed in a CMS directory, its default revision got, a changed
// working file put, the new revision got with a lock and unlocked. After
// every operation no lock file may be left, the revision file must still
// read, and every revision that could be rebuilt before must give the same
// text (a put adds a revision and loses none).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>

#include "ide/versions/file_io.h"
#include "ide/versions/revision_file.h"
#include "ide/versions/revision_tree.h"
#include "ide/versions/store.h"
#include "ide/versions/store_layout.h"
#include "ide/versions/uuencode.h"

namespace {

using namespace vyn::versions;
namespace fs = std::filesystem;

// One scratch store per process, on a memory file system where there is
// one, so that the store's flushes cost little. The name outlives the
// handler that removes the directory at exit.
const std::string& scratch_root()
{
    static const std::string& root = *new std::string([] {
        fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path dir = base / ("vyn_fuzz_store_" + std::to_string(static_cast<long>(::getpid())));
        fs::create_directories(dir / "work");
        fs::create_directories(dir / "CMS");
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(scratch_root(), ec);
        });
        return dir.string();
    }());
    return root;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void empty_directory(const std::string& dir)
{
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        fs::remove(e.path(), ec);
}

// The texts of every revision that rebuilds.
std::map<std::string, std::string> rebuilt_texts(const RevisionFile& file)
{
    std::map<std::string, std::string> texts;
    for (const Revision& r : file.revisions) {
        std::string text, error;
        if (rebuild_text(file, r.number, text, error))
            texts.emplace(r.number, std::move(text));
    }
    return texts;
}

// The user to act as: a lock holder or someone on the access list, so that
// the store's paths for own locks and access checks are taken.
std::string acting_user(const RevisionFile& file)
{
    std::string error;
    for (const auto& lock : file.locks)
        if (check_user_name(lock.first, error))
            return lock.first;
    for (const std::string& user : file.access)
        if (check_user_name(user, error))
            return user;
    return "fuzz";
}

// After an operation: no lock file left, and the revision file still reads
// with every text it had.
void check_store(const StoreContext& context, const std::string& name, const std::map<std::string, std::string>& before)
{
    check(!revision_file_in_use(context.cms_directory, name));
    RevisionFile after;
    std::string error;
    check(load_revision_file(context, name, after, error));
    for (const auto& [number, text] : before) {
        std::string again;
        check(rebuild_text(after, number, again, error) && again == text);
    }
}

void exercise_store(const std::string& bytes, const RevisionFile& file)
{
    StoreContext context;
    context.working_directory = scratch_root() + "/work";
    context.cms_directory = scratch_root() + "/CMS";
    context.date = "9999.12.31.23.59.59";
    context.user = acting_user(file);
    empty_directory(context.working_directory);
    empty_directory(context.cms_directory);
    const std::string name = file.binary ? "f.bmp" : "f.c";
    check(write_file_replacing(context.cms_directory + "/" + name, bytes));
    const std::map<std::string, std::string> before = rebuilt_texts(file);
    RecordingUi ui(true);

    GetRequest get;
    get.file = name;
    get.overwrite = true;
    get.quiet = true;
    bool got = get_file(context, get, ui);
    check_store(context, name, before);
    std::string content;
    if (!got || !read_whole_file(context.working_directory + "/" + name, content))
        content.clear();
    content += "fuzz\n";
    check(write_file_replacing(context.working_directory + "/" + name, content));

    PutRequest put;
    put.file = name;
    put.message = "fuzz";
    put.keep_source = true;
    put.quiet = true;
    PutResult result = put_file(context, put, ui);
    check_store(context, name, before);
    if (!result.ok || result.revision.empty())
        return;

    // The new revision comes back exactly; then it is locked and unlocked
    // (which a lock the input already gave the user may refuse).
    get.revision = result.revision;
    fs::remove(context.working_directory + "/" + name);
    check(get_file(context, get, ui));
    std::string back;
    check(read_whole_file(context.working_directory + "/" + name, back) && back == content);
    check_store(context, name, before);
    get.lock = true;
    get_file(context, get, ui);
    check_store(context, name, before);
    AdminRequest unlock;
    unlock.file = name;
    unlock.unlock = true;
    administer(context, unlock, ui);
    check_store(context, name, before);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    RevisionFile file;
    std::string error;
    if (!parse_revision_file(bytes, file, error))
        return 0;
    std::string written = write_revision_file(file);
    RevisionFile again;
    if (!parse_revision_file(written, again, error) || write_revision_file(again) != written)
        std::abort();
    for (const Revision& r : file.revisions) {
        std::string text;
        rebuild_text(file, r.number, text, error);
    }
    exercise_store(bytes, file);
    return 0;
}
