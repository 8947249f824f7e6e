// Real-world inputs: C programs compiled by clang (both i686 Windows targets)
// and by the mingw-w64 gcc, linked by vynlnk and by lld-link against the
// same mingw-w64 import libraries. Addresses differ between the two images;
// what every relocated field points at, the imports, the exports and the
// entry point must agree.
#include "linker/tests/link_harness.h"

#include "common/byte_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace vyn::lnk::test {

namespace {

struct Block {
    std::map<std::string, std::string> fields;
    std::vector<std::string> symbols;  // "Symbol:" lines of an import block
};

// The "X {" ... "}" blocks of llvm-readobj output whose header is kind.
std::vector<Block> blocks(const std::string& text, const std::string& kind)
{
    std::vector<Block> out;
    std::istringstream in(text);
    std::string line;
    Block* current = nullptr;
    int depth = 0;
    while (std::getline(in, line)) {
        std::string t = line.substr(std::min(line.size(), line.find_first_not_of(' ')));
        if (!current && t == kind + " {") {
            out.emplace_back();
            current = &out.back();
            depth = 1;
            continue;
        }
        if (!current)
            continue;
        if (t.ends_with("{") || t.ends_with("["))
            ++depth;
        else if (t == "}" || t == "]")
            --depth;
        if (depth == 0) {
            current = nullptr;
            continue;
        }
        std::size_t colon = t.find(": ");
        if (colon == std::string::npos || depth != 1)
            continue;
        std::string key = t.substr(0, colon), value = t.substr(colon + 2);
        if (key == "Symbol")
            current->symbols.push_back(value.substr(0, value.find(" (")));
        else if (!current->fields.count(key))
            current->fields[key] = value;
    }
    return out;
}

std::uint32_t number(const std::string& s)
{
    return static_cast<std::uint32_t>(std::strtoul(s.c_str(), nullptr, 0));
}

// What a linked image says about itself, read through the oracles.
class ImageView {
public:
    // lld-link writes section-relative symbol values; vynlnk writes RVAs.
    ImageView(const std::string& path, bool values_are_rvas) : path_(path)
    {
        std::string headers = readobj(path, "--file-headers --sections --coff-imports --coff-exports --symbols");
        base_ = number(field(headers, "ImageBase"));
        entry_ = base_ + number(field(headers, "AddressOfEntryPoint"));
        for (const Block& s : blocks(headers, "Section"))
            sections_.push_back({number(s.fields.at("VirtualAddress")) + base_, number(s.fields.at("RawDataSize")),
                                 number(s.fields.at("PointerToRawData"))});
        for (const Block& imp : blocks(headers, "Import")) {
            std::uint32_t iat = base_ + number(imp.fields.at("ImportAddressTableRVA"));
            for (std::size_t i = 0; i < imp.symbols.size(); ++i) {
                imports_[iat + 4 * static_cast<std::uint32_t>(i)] = imp.fields.at("Name") + "!" + imp.symbols[i];
                import_list_.push_back(imp.fields.at("Name") + "!" + imp.symbols[i]);
            }
        }
        std::sort(import_list_.begin(), import_list_.end());
        for (const Block& e : blocks(headers, "Export"))
            if (number(e.fields.at("RVA")) != 0)  // an unused ordinal slot
                exports_.push_back(base_ + number(e.fields.at("RVA")));
        std::map<int, std::uint32_t> section_address;
        for (std::size_t i = 0; i < sections_.size(); ++i)
            section_address[static_cast<int>(i + 1)] = sections_[i].address;
        for (const Block& s : blocks(headers, "Symbol")) {
            const std::string& name = s.fields.at("Name");
            std::string sec = s.fields.at("Section");
            int index = std::atoi(sec.substr(sec.rfind('(') + 1).c_str());
            if (index <= 0 || name.empty() || name[0] == '.' || name[0] == '@' || name.starts_with("__imp_") ||
                name == "fthunk" || name == "hname")
                continue;
            std::uint32_t value = number(s.fields.at("Value"));
            std::uint32_t address = values_are_rvas ? base_ + value : section_address[index] + value;
            by_name_.emplace(name, address);
            by_address_.emplace(address, name);
        }
        bytes_ = std::move(*std::make_unique<std::vector<std::uint8_t>>(read_all(path)));
    }

    std::uint32_t base() const { return base_; }
    const std::vector<std::string>& imports() const { return import_list_; }

    // The unique address of a symbol name, or 0.
    std::uint32_t address_of(const std::string& name) const
    {
        if (by_name_.count(name) != 1)
            return 0;
        return by_name_.find(name)->second;
    }

    // A name for an address: an import slot, or the nearest symbol at or
    // below it (the smallest name among equals) and the distance.
    std::string describe(std::uint32_t address) const
    {
        if (auto it = imports_.find(address); it != imports_.end())
            return "import " + it->second;
        auto it = by_address_.upper_bound(address);
        if (it == by_address_.begin())
            return "nothing";
        --it;
        std::uint32_t at = it->first;
        std::string best = it->second;
        while (it != by_address_.begin() && std::prev(it)->first == at)
            best = std::min(best, (--it)->second);
        char text[32];
        std::snprintf(text, sizeof text, "+0x%x", address - at);
        return best + text;
    }

    bool read32(std::uint32_t address, std::uint32_t& value) const
    {
        for (const Sec& s : sections_)
            if (address >= s.address && address + 4 <= s.address + s.raw_size)
                return read_u32_at(bytes_, s.file_pos + (address - s.address), value);
        return false;
    }

    std::string entry() const { return describe(entry_); }
    std::vector<std::string> export_targets() const
    {
        std::vector<std::string> out;
        for (std::uint32_t a : exports_)
            out.push_back(describe(a));
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    static std::vector<std::uint8_t> read_all(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    struct Sec {
        std::uint32_t address, raw_size, file_pos;
    };
    std::string path_;
    std::uint32_t base_ = 0, entry_ = 0;
    std::vector<Sec> sections_;
    std::map<std::uint32_t, std::string> imports_;
    std::vector<std::string> import_list_;
    std::vector<std::uint32_t> exports_;
    std::multimap<std::string, std::uint32_t> by_name_;
    std::multimap<std::uint32_t, std::string> by_address_;
    std::vector<std::uint8_t> bytes_;
};

struct Reloc {
    int section;
    std::uint32_t offset;
    std::string type;
};

struct ObjectView {
    std::map<int, std::vector<std::pair<std::string, std::uint32_t>>> defined;  // section -> (name, value)
    std::vector<Reloc> relocations;
};

ObjectView read_object(const std::string& path)
{
    ObjectView v;
    std::string text = readobj(path, "--symbols --relocations");
    for (const Block& s : blocks(text, "Symbol")) {
        const std::string& name = s.fields.at("Name");
        std::string sec = s.fields.at("Section");
        int index = std::atoi(sec.substr(sec.rfind('(') + 1).c_str());
        if (index > 0 && !name.empty() && name[0] != '.' && name[0] != '$')
            v.defined[index].push_back({name, number(s.fields.at("Value"))});
    }
    std::istringstream in(text);
    std::string line;
    int section = 0;
    while (std::getline(in, line)) {
        std::string t = line.substr(std::min(line.size(), line.find_first_not_of(' ')));
        if (t.starts_with("Section (")) {
            section = std::atoi(t.c_str() + 9);
            continue;
        }
        if (section && t.starts_with("0x")) {
            std::istringstream words(t);
            std::string offset, type;
            words >> offset >> type;
            v.relocations.push_back({section, number(offset), type});
        }
    }
    return v;
}

/* Describes every relocated field of the object as placed in the image:
   where it is (object, section, offset) and what it now points at. */
std::vector<std::string> relocated_targets(const ImageView& image, const std::string& object_path)
{
    std::vector<std::string> out;
    ObjectView obj = read_object(object_path);
    for (const Reloc& r : obj.relocations) {
        // Where did the object's section land? Any of its symbols that the
        // image names once tells.
        std::uint32_t base = 0;
        for (const auto& [name, value] : obj.defined[r.section])
            if (std::uint32_t a = image.address_of(name)) {
                base = a - value;
                break;
            }
        if (!base)
            continue;
        std::uint32_t place = base + r.offset, field = 0;
        if (!image.read32(place, field))
            continue;
        std::string target;
        if (r.type == "IMAGE_REL_I386_DIR32")
            target = image.describe(field);
        else if (r.type == "IMAGE_REL_I386_REL32")
            target = image.describe(place + 4 + field);
        else if (r.type == "IMAGE_REL_I386_DIR32NB")
            target = image.describe(image.base() + field);
        else
            continue;
        char where[64];
        std::snprintf(where, sizeof where, " section %d +0x%x -> ", r.section, r.offset);
        out.push_back(object_path.substr(object_path.rfind('/') + 1) + where + target);
    }
    return out;
}

struct Program {
    const char* name;
    std::vector<std::pair<std::string, std::string>> sources;  // object name, C source
    std::string target;
    std::vector<std::string> libs;
};

void PrintTo(const Program& p, std::ostream* os)
{
    *os << p.name;
}

const char* kWindowsDecls = R"(typedef unsigned long DWORD;
__declspec(dllimport) void* __stdcall GetStdHandle(DWORD);
__declspec(dllimport) int __stdcall WriteFile(void*, const void*, DWORD, DWORD*, void*);
__declspec(dllimport) int __stdcall MessageBeep(unsigned);
__declspec(dllimport) DWORD __stdcall GetTickCount(void);
)";

std::vector<Program> programs()
{
    std::string hello = std::string(kWindowsDecls) + R"(
static const char msg[] = "hello, world\r\n";
int counter;
int *pc = &counter;
int main(void) {
    DWORD n;
    WriteFile(GetStdHandle((DWORD)-11), msg, sizeof msg - 1, &n, 0);
    MessageBeep(0);
    return *pc;
}
)";
    std::string table = std::string(kWindowsDecls) + R"(
int twice(int x);
int thrice(int x);
static int (*const ops[])(int) = { twice, thrice, twice };
const char *names[] = { "zero", "one", "two", "three" };
int pick(int k) {
    switch (k) {
    case 0: return ops[0](k) + 7;
    case 1: return ops[1](k) * 3;
    case 2: return names[2][0];
    case 3: return (int)GetTickCount();
    case 4: return ops[2](k) - 1;
    case 5: return names[k % 4][1];
    default: return -1;
    }
}
int main(void) { return pick((int)GetTickCount() & 7); }
)";
    std::string helpers = R"(
int bias = 3;
static int hidden_total;
int twice(int x) { hidden_total += x; return 2 * x + bias; }
int thrice(int x) { hidden_total -= x; return 3 * x + bias; }
)";
    std::string gnu_main = std::string(
                               "typedef unsigned long DWORD;\n"
                               "void* __stdcall GetStdHandle(DWORD);\n"
                               "int __stdcall WriteFile(void*, const void*, DWORD, DWORD*, void*);\n"
                               "void __main(void) {}\n") +
                           R"(
const char text[] = "gnu style\n";
double scale = 2.5;
int main(void) {
    DWORD n;
    WriteFile(GetStdHandle((DWORD)-11), text, (DWORD)(sizeof text - 1 + scale), &n, 0);
    return 0;
}
)";
    return {
        {"clang_msvc_hello", {{"hello.obj", hello}}, "i686-pc-windows-msvc", {"kernel32", "user32"}},
        {"clang_msvc_tables_O2", {{"table.obj", table}, {"helpers.obj", helpers}}, "i686-pc-windows-msvc -O2",
         {"kernel32"}},
        {"clang_gnu_thunks", {{"gnu.obj", gnu_main}, {"helpers.obj", helpers}}, "i686-w64-windows-gnu -O1",
         {"kernel32"}},
        {"mingw_gcc", {{"gcc.obj", gnu_main}, {"helpers.obj", helpers}}, "i686-w64-mingw32", {"kernel32"}},
    };
}

std::string compile_with(const LinkDir& d, const std::string& name, const std::string& source, const std::string& target)
{
    std::string flags = target.substr(target.find(' ') == std::string::npos ? target.size() : target.find(' '));
    std::string triple = target.substr(0, target.find(' '));
    d.write_text(name + ".c", source);
    std::string compiler = triple == "i686-w64-mingw32" ? "i686-w64-mingw32-gcc -O1" : "clang --target=" + triple;
    RunResult r = run_command(compiler + flags + " -c -o " + quote(name) + " " + quote(name + ".c"), d.path());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return d.file(name);
}

class Interop : public ::testing::TestWithParam<Program> {};

TEST_P(Interop, ImagesAgreeWithTheReferenceLinker)
{
    const Program& p = GetParam();
    LinkDir d;
    std::vector<std::string> objects;
    for (const auto& [name, source] : p.sources)
        objects.push_back(compile_with(d, name, source, p.target));
    std::vector<std::string> ours = objects, theirs = {"lld-link", "/nologo", "/safeseh:no", "/debug:symtab",
                                                       "/nodefaultlib", "/entry:mainCRTStartup", "/subsystem:console",
                                                       "/out:ref.exe", d.lib_dir() + "/vyncrt0.obj"};
    theirs.insert(theirs.end(), objects.begin(), objects.end());
    for (const std::string& lib : p.libs) {
        ours.push_back(mingw_lib(lib));
        theirs.push_back(mingw_lib(lib));
    }
    ours.insert(ours.end(), {"-reloc", "-o", "ours.exe"});
    RunResult r = d.link(ours);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string command;
    for (const std::string& w : theirs)
        command += quote(w) + " ";
    RunResult ref = run_command(command, d.path());
    ASSERT_EQ(ref.exit_code, 0) << ref.err;

    ImageView mine(d.file("ours.exe"), true), reference(d.file("ref.exe"), false);
    EXPECT_EQ(mine.imports(), reference.imports());
    EXPECT_FALSE(mine.imports().empty());
    EXPECT_EQ(mine.entry(), "_mainCRTStartup+0x0");
    EXPECT_EQ(reference.entry(), "_mainCRTStartup+0x0");
    std::size_t compared = 0;
    for (const std::string& obj : objects) {
        std::vector<std::string> a = relocated_targets(mine, obj), b = relocated_targets(reference, obj);
        EXPECT_EQ(a, b) << obj;
        compared += a.size();
    }
    EXPECT_GT(compared, 3u) << "too few relocations were compared to mean anything";
}

INSTANTIATE_TEST_SUITE_P(Programs, Interop, ::testing::ValuesIn(programs()),
                         [](const ::testing::TestParamInfo<Program>& info) { return std::string(info.param.name); });

TEST(InteropDll, ExportsAndRelocationsAgreeWithTheReferenceLinker)
{
    LinkDir d;
    std::string dll = compile_with(d, "dll.obj", R"(
__declspec(dllimport) unsigned long __stdcall GetTickCount(void);
int __stdcall LibMain(void* h, unsigned r, void* p) { return 1; }
int shared = 11;
int __stdcall add_tick(int x) { return x + (int)GetTickCount() + shared; }
int plain(int y) { return y * shared; }
)",
                                   "i686-pc-windows-msvc");
    d.write_text("d.def", "LIBRARY ours\nEXPORTS\n add_tick\n plain\n shared\n");
    RunResult r = d.link({"dll.obj", "d.def", mingw_lib("kernel32")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    d.write_text("ref.def", "LIBRARY ref\nEXPORTS\n add_tick\n plain\n shared DATA\n");
    std::string command = "lld-link /nologo /safeseh:no /debug:symtab /nodefaultlib /dll /entry:_crtLibMain@12 "
                          "/def:ref.def /out:ref.dll " +
                          quote(d.lib_dir() + "/libcrt0.obj") + " dll.obj " + quote(mingw_lib("kernel32"));
    RunResult ref = run_command(command, d.path());
    ASSERT_EQ(ref.exit_code, 0) << ref.err;
    ImageView mine(d.file("ours.dll"), true), reference(d.file("ref.dll"), false);
    EXPECT_EQ(mine.export_targets(), reference.export_targets());
    EXPECT_EQ(mine.export_targets().size(), 3u);
    EXPECT_EQ(mine.imports(), reference.imports());
    EXPECT_EQ(relocated_targets(mine, dll), relocated_targets(reference, dll));
    EXPECT_EQ(mine.entry(), "__crtLibMain@12+0x0");
}

}  // namespace

}  // namespace vyn::lnk::test
