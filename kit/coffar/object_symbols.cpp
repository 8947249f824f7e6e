#include "kit/coffar/object_symbols.h"

#include "common/byte_reader.h"
#include "common/coff_format.h"
#include "common/strings.h"

namespace vyn::coffar {

namespace {

std::optional<std::vector<std::string>> import_symbols(std::span<const std::uint8_t> bytes, std::string& error)
{
    auto object = coff::read_import_object(bytes);
    if (!object) {
        error = "damaged import object";
        return std::nullopt;
    }
    std::vector<std::string> names{"__imp_" + object->symbol};
    if (object->type == coff::import_type::kCode)
        names.push_back(object->symbol);
    return names;
}

bool is_public(const coff::Symbol& s)
{
    using namespace coff;
    if (s.storage_class == storage_class::kWeakExternal)
        return true;
    if (s.storage_class != storage_class::kExternal)
        return false;
    // Defined in a section, absolute, or common (undefined with a size).
    return s.section != section_number::kUndefined || s.value != 0;
}

}  // namespace

std::optional<std::vector<std::string>> public_symbols(std::span<const std::uint8_t> bytes, std::string& error)
{
    ByteReader r(bytes);
    std::uint16_t sig1 = r.u16(), sig2 = r.u16();
    if (!r.ok()) {
        error = "file too short for a COFF object";
        return std::nullopt;
    }
    if (sig1 == coff::machine::kUnknown && sig2 == coff::kImportSig2)
        return import_symbols(bytes, error);
    r.seek(0);
    coff::FileHeader h = coff::read_file_header(r);
    if (!r.ok() || h.machine != coff::machine::kI386) {
        error = "not an i386 COFF object";
        return std::nullopt;
    }
    std::size_t table = h.symbol_table_pos, count = h.symbol_count;
    if (count == 0)
        return std::vector<std::string>{};
    if (table > bytes.size() || (bytes.size() - table) / coff::kSymbolSize < count) {
        error = "symbol table runs past the end of the file";
        return std::nullopt;
    }
    std::span<const std::uint8_t> strings = bytes.subspan(table + count * coff::kSymbolSize);
    std::vector<std::string> names;
    ByteReader symbols(bytes.subspan(table, count * coff::kSymbolSize));
    for (std::size_t i = 0; i < count; ++i) {
        coff::Symbol s = coff::read_symbol(symbols);
        if (!symbols.ok()) {
            error = "damaged symbol table";
            return std::nullopt;
        }
        if (is_public(s)) {
            std::string name = coff::symbol_name(s, strings);
            if (name.empty()) {
                error = format("symbol %zu has no name", i);
                return std::nullopt;
            }
            names.push_back(name);
        }
        std::size_t aux = std::min<std::size_t>(s.aux_count, count - i - 1);
        symbols.skip(aux * coff::kAuxSize);
        i += aux;
    }
    return names;
}

}  // namespace vyn::coffar
