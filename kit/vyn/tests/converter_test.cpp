// The conversion of clang's objects, on real clang objects kept in the tree
// (tests/objects, also the fuzz target's seeds) and on damaged copies.
#include "kit/vyn/convert/coff_object.h"
#include "kit/vyn/convert/object_converter.h"
#include "kit/vyn/convert/symbol_converter.h"

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "common/coff_format.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

namespace {

using namespace vyn;
using namespace vyn::cc;

std::vector<std::uint8_t> object_file(const std::string& name)
{
    std::ifstream in(std::string(VYN_TEST_OBJECTS) + "/" + name, std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_FALSE(bytes.empty()) << name;
    return bytes;
}

const ConversionInput kInput{"C:\\work\\small.c", "/tmp/vyn/small.c"};

const ObjectSection* section(const CoffObject& o, const std::string& name)
{
    for (const ObjectSection& s : o.sections)
        if (s.name == name)
            return &s;
    return nullptr;
}

std::uint32_t signature(const ObjectSection& s)
{
    std::uint32_t v = 0;
    read_u32_at(s.data, 0, v);
    return v;
}

class RealObjects : public ::testing::TestWithParam<const char*> {};

TEST_P(RealObjects, ConvertIntoAnObjectTheLinkerReads)
{
    ConversionResult r = convert_object(object_file(GetParam()), kInput);
    ASSERT_TRUE(r.object) << r.error;
    std::string error;
    auto o = read_coff_object(*r.object, error);
    ASSERT_TRUE(o) << error;

    // CodeView 4 in both debug sections; the foreign sections are gone.
    ASSERT_TRUE(section(*o, ".debug$S"));
    ASSERT_TRUE(section(*o, ".debug$T"));
    EXPECT_EQ(signature(*section(*o, ".debug$S")), coff::codeview::kSignatureCv4);
    EXPECT_EQ(signature(*section(*o, ".debug$T")), coff::codeview::kSignatureCv4);
    EXPECT_FALSE(section(*o, ".debug_frame"));
    EXPECT_TRUE(section(*o, ".debug$T")->relocations.empty());

    // Every relocation names a symbol of the new table that is no auxiliary record.
    std::vector<std::uint32_t> indices = symbol_table_indices(o->symbols);
    for (const ObjectSection& s : o->sections)
        for (const coff::Relocation& rel : s.relocations)
            EXPECT_TRUE(std::binary_search(indices.begin(), indices.end(), rel.symbol_index)) << s.name;

    // The ".file" record carries the full name given.
    ASSERT_FALSE(o->symbols.empty());
    std::string file_name;
    for (const ObjectSymbol& s : o->symbols)
        if (s.symbol.storage_class == coff::storage_class::kFile)
            for (const RawRecord& a : s.aux)
                file_name.append(reinterpret_cast<const char*>(a.data()), a.size());
    EXPECT_EQ(file_name.substr(0, file_name.find('\0')), kInput.source_name);

    // Each function with lines: definition record naming its ".bf", whose
    // line is the first; the function's line records start with a record
    // that names the function symbol.
    std::size_t functions = 0;
    for (std::size_t i = 0; i + 3 < o->symbols.size(); ++i) {
        const ObjectSymbol& f = o->symbols[i];
        if (o->symbols[i + 1].name != ".bf")
            continue;
        ++functions;
        ASSERT_EQ(f.aux.size(), 1u);
        std::uint32_t bf = 0;
        read_u32_at(f.aux[0], coff::aux_function::kBeginFunctionIndex, bf);
        EXPECT_EQ(bf, indices[i + 1]);
        EXPECT_EQ(o->symbols[i + 2].name, ".lf");
        EXPECT_EQ(o->symbols[i + 3].name, ".ef");
        EXPECT_GT(coff::aux_line(o->symbols[i + 1].aux.at(0)), 0);
        const ObjectSection& code = o->sections.at(static_cast<std::size_t>(f.symbol.section) - 1);
        bool starts = false;
        for (const coff::LineNumber& n : code.lines)
            starts = starts || (n.starts_function() && n.address_or_symbol == indices[i]);
        EXPECT_TRUE(starts) << f.name;
        EXPECT_EQ(o->symbols[i + 2].symbol.value, [&] {
            // ".lf" counts the function's line records, its start included.
            std::uint32_t count = 0;
            bool in = false;
            for (const coff::LineNumber& n : code.lines) {
                if (n.starts_function())
                    in = n.address_or_symbol == indices[i];
                count += in;
            }
            return count;
        }());
    }
    EXPECT_GE(functions, 1u);
}

INSTANTIATE_TEST_SUITE_P(Clang, RealObjects, ::testing::Values("small.o", "shapes_b_O2.o", "sections.o"));

TEST(Conversion, DamagedObjectsGiveMessagesNeverCrashes)
{
    std::vector<std::uint8_t> good = object_file("small.o");
    // Every cut: a message or, when the cut only lost the tail of the string
    // table, a converted object.
    std::size_t messages = 0;
    for (std::size_t size = 0; size < good.size(); size += 3) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        ConversionResult r = convert_object(cut, kInput);
        if (!r.object) {
            EXPECT_FALSE(r.error.empty()) << size;
            ++messages;
        }
    }
    EXPECT_GT(messages, good.size() / 3 / 2);
    // Every byte flipped in turn: whatever comes out, the conversion ends.
    for (std::size_t at = 0; at < good.size(); ++at) {
        std::vector<std::uint8_t> bad = good;
        bad[at] ^= 0xA5;
        ConversionResult r = convert_object(bad, kInput);
        EXPECT_TRUE(r.object || !r.error.empty()) << at;
    }
}

TEST(Conversion, LengthsThatLieAreNamed)
{
    std::string error;
    auto o = read_coff_object(object_file("small.o"), error);
    ASSERT_TRUE(o) << error;
    // The first subsection's size made larger than its section.
    std::vector<std::uint8_t> bytes = object_file("small.o");
    const ObjectSection* s = section(*o, ".debug$S");
    ASSERT_TRUE(s);
    put_u32_at(bytes, s->header.raw_pos + 8, 0x7FFFFFF0);
    ConversionResult r = convert_object(bytes, kInput);
    EXPECT_FALSE(r.object);
    EXPECT_NE(r.error.find("runs past"), std::string::npos) << r.error;

    // Another CodeView generation in the types.
    bytes = object_file("small.o");
    put_u32_at(bytes, section(*o, ".debug$T")->header.raw_pos, 2);
    r = convert_object(bytes, kInput);
    EXPECT_FALSE(r.object);
    EXPECT_NE(r.error.find("generation"), std::string::npos) << r.error;

    EXPECT_NE(convert_object(std::vector<std::uint8_t>(20, 0), kInput).error, "");
}

// A section with more relocations than a 16-bit count holds is written in
// the overflow form and read back whole.
TEST(CoffObject, ManyRelocationsRoundTripThroughTheOverflowCount)
{
    std::string error;
    auto o = read_coff_object(object_file("small.o"), error);
    ASSERT_TRUE(o) << error;
    ObjectSection* text = nullptr;
    for (ObjectSection& s : o->sections)
        if (s.name == ".text" && !s.relocations.empty())
            text = &s;
    ASSERT_TRUE(text);
    coff::Relocation first = text->relocations.front();
    text->relocations.assign(70000, first);
    std::vector<std::uint8_t> bytes = write_coff_object(*o);
    auto back = read_coff_object(bytes, error);
    ASSERT_TRUE(back) << error;
    const ObjectSection* again = &back->sections[text - o->sections.data()];
    EXPECT_EQ(again->header.reloc_count, 0xFFFF);
    EXPECT_TRUE(again->header.characteristics & coff::section_flags::kRelocOverflow);
    EXPECT_EQ(again->relocations.size(), 70000u);
}

TEST(Conversion, PrologueRealignmentIsRead)
{
    using Code = std::vector<std::uint8_t>;
    EXPECT_EQ(prologue_realignment(Code{0x55, 0x89, 0xE5, 0x83, 0xE4, 0xF8, 0x81, 0xEC}), 8u);
    EXPECT_EQ(prologue_realignment(Code{0x55, 0x89, 0xE5, 0x57, 0x56, 0x83, 0xE4, 0xF0}), 16u);
    EXPECT_EQ(prologue_realignment(Code{0x55, 0x89, 0xE5, 0x81, 0xE4, 0x00, 0xFF, 0xFF, 0xFF}), 256u);
    EXPECT_EQ(prologue_realignment(Code{0x55, 0x89, 0xE5, 0x83, 0xEC, 0x10}), 0u);  // sub esp, 16
    EXPECT_EQ(prologue_realignment(Code{0x55, 0x89, 0xE5, 0x83, 0xE4}), 0u);        // cut short
    EXPECT_EQ(prologue_realignment(Code{0x83, 0xE4, 0xF8}), 0u);
    EXPECT_EQ(prologue_realignment(Code{}), 0u);
}

}  // namespace
