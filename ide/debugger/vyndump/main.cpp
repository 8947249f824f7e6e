// vyndump: prints what the debugger reads from an executable: its headers,
// modules, line tables, symbols and types, and the annotated listing of its
// functions, one record a line.
#include "common/byte_reader.h"
#include "common/coff_format.h"
#include "ide/debugger/dbginfo.h"
#include "ide/debugger/image_mapping.h"
#include "ide/debugger/listing.h"
#include "ide/debugger/vyndump/image_memory.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace vyn::dbg;

struct Options {
    bool headers = false, modules = false, lines = false, symbols = false, types = false, disasm = false;
    bool source = false;
    std::string function;  // --disasm=FUNCTION
    std::string image;
};

const char* const kUsage =
    "usage: vyndump [--headers] [--modules] [--lines] [--symbols] [--types] [--disasm[=FUNCTION]] [--source] IMAGE\n";

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--headers") o.headers = true;
        else if (a == "--modules") o.modules = true;
        else if (a == "--lines") o.lines = true;
        else if (a == "--symbols") o.symbols = true;
        else if (a == "--types") o.types = true;
        else if (a == "--disasm") o.disasm = true;
        else if (a.rfind("--disasm=", 0) == 0) { o.disasm = true; o.function = a.substr(9); }
        else if (a == "--source") o.source = true;
        else if (!a.empty() && a[0] != '-' && o.image.empty()) o.image = a;
        else return false;
    }
    if (o.image.empty())
        return false;
    if (!(o.headers || o.modules || o.lines || o.symbols || o.types || o.disasm))
        o.headers = o.modules = o.lines = o.symbols = o.types = true;
    return true;
}

std::string hex(std::uint32_t v)
{
    char b[16];
    std::snprintf(b, sizeof b, "0x%x", v);
    return b;
}

void print_headers(const DebugInfo& d)
{
    std::printf("image-base %s\n", hex(d.image_base).c_str());
    std::printf("code %s %s\n", hex(d.code_start).c_str(), hex(d.code_end).c_str());
    std::printf("data %s %s\n", hex(d.data_start).c_str(), hex(d.data_end).c_str());
    std::printf("subsystem %s\n", d.console ? "console" : "windows");
    std::printf("coff-symbols %s %u\n", hex(d.symbol_table_pos).c_str(), d.symbol_count);
    std::printf("codeview %s\n", d.has_codeview ? "yes" : "no");
    if (d.has_codeview && d.codeview_entry.size() >= vyn::coff::kDebugDirectoryEntrySize) {
        std::uint32_t size = 0, pos = 0;
        vyn::read_u32_at(d.codeview_entry, vyn::coff::debug_entry::kSize, size);
        vyn::read_u32_at(d.codeview_entry, vyn::coff::debug_entry::kPosition, pos);
        std::printf("codeview-block %s %u\n", hex(pos).c_str(), size);
    }
    std::printf("entry %s module %d\n", hex(d.entry_address).c_str(), d.entry_module);
    for (std::size_t i = 0; i < d.sections.size(); ++i) {
        const DebugInfo::Section& s = d.sections[i];
        std::printf("section %zu %s rva %s size %s\n", i + 1, s.name.c_str(), hex(s.virtual_address).c_str(),
                    hex(s.virtual_size).c_str());
    }
}

void print_modules(const DebugInfo& d)
{
    for (int i = 1; i <= d.module_count(); ++i) {
        const ModuleEntry& m = d.modules[static_cast<std::size_t>(i)];
        std::printf("module %d %s source %s code %s %s size %s lines %zu functions %zu\n", i, m.name.c_str(),
                    m.source_file.c_str(), hex(m.code_start).c_str(), hex(m.code_end).c_str(),
                    hex(m.code_size).c_str(), m.line_numbers.size(), m.functions.size());
    }
}

void print_lines(const DebugInfo& d)
{
    for (int i = 1; i <= d.module_count(); ++i) {
        const ModuleEntry& m = d.modules[static_cast<std::size_t>(i)];
        for (std::size_t k = 0; k < m.line_numbers.size(); ++k)
            std::printf("line %d %s %u\n", i, hex(m.line_addresses[k]).c_str(), m.line_numbers[k]);
    }
}

void print_symbol(const char* what, int module, const SymbolEntry& e)
{
    if (e.kind == vyn::coff::codeview::cv4_symbol::kConstant)
        std::printf("%s %d %s text \"%s\"\n", what, module, e.name.c_str(), e.text.c_str());
    else
        std::printf("%s %d %s kind %s type %s address %s\n", what, module, e.name.c_str(),
                    hex(static_cast<std::uint32_t>(e.kind)).c_str(), hex(e.type).c_str(), hex(e.value).c_str());
}

void print_symbols(const DebugInfo& d)
{
    for (int i = 1; i <= d.module_count(); ++i) {
        const ModuleEntry& m = d.modules[static_cast<std::size_t>(i)];
        for (const FunctionRecord& f : m.functions) {
            std::printf("function %d %s kind %s start %s body %s %s end %s\n", i, f.name.c_str(), hex(f.kind).c_str(),
                        hex(f.start).c_str(), hex(f.body_start).c_str(), hex(f.body_end).c_str(),
                        hex(f.end).c_str());
            for (const LocalVariable& v : f.locals) {
                if (v.flags == kRegisterLocal)
                    std::printf("local %s %s register %d type %s\n", f.name.c_str(), v.name.c_str(), v.location,
                                hex(v.type).c_str());
                else
                    std::printf("local %s %s frame %d type %s\n", f.name.c_str(), v.name.c_str(), v.location,
                                hex(v.type).c_str());
            }
        }
        for (const SymbolEntry& e : m.statics.entries())
            print_symbol("static", i, e);
        for (const SymbolEntry& e : m.constants.entries())
            print_symbol("constant", i, e);
    }
    for (const SymbolEntry& e : d.globals.entries())
        print_symbol("global", 0, e);
    for (const ImportEntry& imp : d.imports)
        std::printf("import %s %s\n", imp.dll.c_str(), imp.function.c_str());
}

void print_types(const DebugInfo& d)
{
    for (std::size_t i = 0; i < d.types.offsets.size(); ++i) {
        auto index = static_cast<std::uint16_t>(0x1000 + i);
        std::span<const std::uint8_t> r = d.type_record(index);
        if (r.size() < 4) {
            std::printf("type %s damaged\n", hex(index).c_str());
            continue;
        }
        std::uint16_t leaf = 0;
        vyn::read_u16_at(r, 2, leaf);
        std::string bytes;
        for (std::size_t k = 4; k < r.size(); ++k) {
            char b[4];
            std::snprintf(b, sizeof b, "%02x", r[k]);
            bytes += b;
        }
        std::printf("type %s leaf %s length %zu %s\n", hex(index).c_str(), hex(leaf).c_str(), r.size() - 2,
                    bytes.c_str());
    }
}

// Source lines are read from the source file's name as recorded, else
// from its base name beside the image.
class SourceFiles {
public:
    SourceFiles(const DebugInfo& d, std::string image_dir) : d_(d), dir_(std::move(image_dir)) {}
    std::string line(int module, std::uint16_t n)
    {
        auto [it, added] = cache_.try_emplace(module);
        if (added)
            it->second = load(d_.modules[static_cast<std::size_t>(module)].source_file);
        return n >= 1 && n <= it->second.size() ? it->second[n - 1u] : std::string();
    }

private:
    std::vector<std::string> load(const std::string& name)
    {
        std::vector<std::string> lines;
        std::string base = name.substr(name.find_last_of("\\/") == std::string::npos ? 0 : name.find_last_of("\\/") + 1);
        for (const std::string& path : {name, dir_ + base}) {
            std::ifstream in(path);
            if (!in)
                continue;
            for (std::string l; std::getline(in, l);) {
                if (!l.empty() && l.back() == '\r')
                    l.pop_back();
                lines.push_back(l);
            }
            break;
        }
        return lines;
    }
    const DebugInfo& d_;
    std::string dir_;
    std::map<int, std::vector<std::string>> cache_;
};

bool print_disasm(const DebugInfo& d, std::span<const std::uint8_t> file, const Options& o)
{
    ImageMemory memory(d, file);
    std::size_t slash = o.image.find_last_of("\\/");
    SourceFiles sources(d, slash == std::string::npos ? std::string() : o.image.substr(0, slash + 1));
    ListingOptions lo;
    lo.source_annotation = o.source;
    lo.code_bytes = true;
    lo.source_line = [&sources](int module, std::uint16_t n) { return sources.line(module, n); };
    bool found = false;
    for (int i = 1; i <= d.module_count(); ++i)
        for (const FunctionRecord& f : d.modules[static_cast<std::size_t>(i)].functions) {
            if (!o.function.empty() && f.name != o.function)
                continue;
            found = true;
            std::printf("function %s\n", f.name.c_str());
            Listing l = BuildFunctionListing(d, memory, i, f, lo);
            for (const ListingLine& line : l.lines)
                std::printf("%s\n", line.text.c_str());
        }
    if (!o.function.empty() && !found) {
        std::fprintf(stderr, "vyndump: no function %s\n", o.function.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, o)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    bool ok = true;
    Tell tell = [&ok](const std::string& message) {
        std::fprintf(stderr, "vyndump: %s\n", message.c_str());
        ok = false;
    };
    ImageMapping mapping;
    if (!mapping.open(o.image)) {
        std::fprintf(stderr, "vyndump: cannot open %s\n", o.image.c_str());
        return 1;
    }
    if (!mapping.map(tell))
        return 1;
    std::span<const std::uint8_t> file = mapping.bytes();
    // The image base of the file itself: no process has moved it.
    std::uint32_t lfanew = 0, base = 0;
    if (vyn::read_u32_at(file, vyn::coff::kDosLfanewOffset, lfanew))
        vyn::read_u32_at(file, std::size_t{lfanew} + 4 + vyn::coff::kFileHeaderSize +
                                   vyn::coff::optional_header32::kImageBase, base);
    DebugInfo d;
    if (!d.load_executable(file, o.image, base, tell))
        return 1;
    if (o.headers) {
        d.find_entry_function([](const std::string&) {});
        print_headers(d);
    }
    if (o.modules) print_modules(d);
    if (o.lines) print_lines(d);
    if (o.symbols) print_symbols(d);
    if (o.types) print_types(d);
    if (o.disasm && !print_disasm(d, file, o))
        return 1;
    return ok ? 0 : 1;
}
