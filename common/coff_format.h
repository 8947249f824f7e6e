// The COFF/PE vocabulary: named constants, record layouts (sizes and field
// offsets) and small decoders for object files, archives, import objects,
// PE images and the CodeView records that travel in them.
//
// Layouts are given as sizes and offsets, never as structs laid over bytes:
// the formats are 32-bit, little-endian and packed, and the decoders read
// each field through ByteReader, so a short or lying input gives a failed
// decode instead of an out-of-bounds read.
#pragma once

#include "common/byte_reader.h"
#include "common/byte_writer.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vyn::coff {

// ---------------------------------------------------------------------------
// Machine types (file header "Machine").
namespace machine {
constexpr std::uint16_t kUnknown = 0x0000;
constexpr std::uint16_t kI386 = 0x014C;
constexpr std::uint16_t kAmd64 = 0x8664;
constexpr std::uint16_t kArmNt = 0x01C4;
constexpr std::uint16_t kArm64 = 0xAA64;
}  // namespace machine

// ---------------------------------------------------------------------------
// File header: 20 bytes at the start of an object (after "PE\0\0" in an image).
constexpr std::size_t kFileHeaderSize = 20;
namespace file_header {
constexpr std::size_t kMachine = 0, kSectionCount = 2, kTimeStamp = 4, kSymbolTablePos = 8, kSymbolCount = 12,
                      kOptionalHeaderSize = 16, kCharacteristics = 18;
}
// File characteristics.
namespace file_flags {
constexpr std::uint16_t kRelocsStripped = 0x0001, kExecutable = 0x0002, kLineNumbersStripped = 0x0004,
                        kLocalSymbolsStripped = 0x0008, kLargeAddressAware = 0x0020, kMachine32Bit = 0x0100,
                        kDebugStripped = 0x0200, kSystem = 0x1000, kDll = 0x2000;
}

struct FileHeader {
    std::uint16_t machine = 0;
    std::uint16_t section_count = 0;
    std::uint32_t time_stamp = 0;
    std::uint32_t symbol_table_pos = 0;
    std::uint32_t symbol_count = 0;
    std::uint16_t optional_header_size = 0;
    std::uint16_t characteristics = 0;
};
// Reads the 20 bytes at the reader's position; the reader fails when short.
FileHeader read_file_header(ByteReader& r);

// ---------------------------------------------------------------------------
// Section header: 40 bytes each, behind the file and optional headers.
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSectionNameSize = 8;
namespace section_header {
constexpr std::size_t kName = 0, kVirtualSize = 8, kVirtualAddress = 12, kRawSize = 16, kRawPos = 20,
                      kRelocPos = 24, kLinePos = 28, kRelocCount = 32, kLineCount = 34, kCharacteristics = 36;
}
// Section characteristics.
namespace section_flags {
constexpr std::uint32_t kNoPad = 0x00000008;
constexpr std::uint32_t kCode = 0x00000020;
constexpr std::uint32_t kInitializedData = 0x00000040;
constexpr std::uint32_t kUninitializedData = 0x00000080;
constexpr std::uint32_t kContentMask = kCode | kInitializedData | kUninitializedData;
constexpr std::uint32_t kLinkOther = 0x00000100;
constexpr std::uint32_t kLinkInfo = 0x00000200;
constexpr std::uint32_t kLinkRemove = 0x00000800;
constexpr std::uint32_t kComdat = 0x00001000;
constexpr std::uint32_t kAlignMask = 0x00F00000;  // (log2(alignment) + 1) << 20
constexpr int kAlignShift = 20;
constexpr std::uint32_t kRelocOverflow = 0x01000000;
constexpr std::uint32_t kDiscardable = 0x02000000;
constexpr std::uint32_t kNotCached = 0x04000000;
constexpr std::uint32_t kNotPaged = 0x08000000;
constexpr std::uint32_t kShared = 0x10000000;
constexpr std::uint32_t kExecute = 0x20000000;
constexpr std::uint32_t kRead = 0x40000000;
constexpr std::uint32_t kWrite = 0x80000000;
}  // namespace section_flags

// The alignment a characteristics word asks for: 1 when none is given (or the
// code is out of range), else 1 << (code - 1) for the codes 1 to 14.
std::uint32_t section_alignment(std::uint32_t characteristics);
// The characteristics bits that ask for alignment (a power of two up to 8192).
std::uint32_t alignment_flags(std::uint32_t alignment);

struct SectionHeader {
    std::string name;  // the 8-byte field up to its first NUL ("/n" long names left as they stand)
    std::uint32_t virtual_size = 0;
    std::uint32_t virtual_address = 0;
    std::uint32_t raw_size = 0;
    std::uint32_t raw_pos = 0;
    std::uint32_t reloc_pos = 0;
    std::uint32_t line_pos = 0;
    std::uint16_t reloc_count = 0;
    std::uint16_t line_count = 0;
    std::uint32_t characteristics = 0;
};
SectionHeader read_section_header(ByteReader& r);
// The string-table offset of a "/123" long section name, if it is one.
std::optional<std::uint32_t> long_name_offset(std::string_view header_name);

// ---------------------------------------------------------------------------
// Symbol table: 18-byte records; a record with n auxiliary records is followed
// by n more 18-byte records that belong to it.
constexpr std::size_t kSymbolSize = 18;
constexpr std::size_t kAuxSize = 18;
namespace symbol {
constexpr std::size_t kName = 0,  // 8 bytes inline, or zero word + string-table offset
    kNameZeroes = 0, kNameOffset = 4, kValue = 8, kSectionNumber = 12, kType = 14, kStorageClass = 16,
                      kAuxCount = 17;
}
// Special section numbers.
namespace section_number {
constexpr std::int16_t kUndefined = 0, kAbsolute = -1, kDebug = -2;
}
// Symbol type word: the complex type in bits 4-5.
namespace symbol_type {
constexpr std::uint16_t kNull = 0, kFunction = 0x20;  // DTYPE_FUNCTION << 4
}
// Storage classes.
namespace storage_class {
constexpr std::uint8_t kEndOfFunction = 0xFF, kNull = 0, kAutomatic = 1, kExternal = 2, kStatic = 3,
                       kRegister = 4, kExternalDef = 5, kLabel = 6, kUndefinedLabel = 7, kMemberOfStruct = 8,
                       kArgument = 9, kStructTag = 10, kMemberOfUnion = 11, kUnionTag = 12, kTypeDefinition = 13,
                       kUndefinedStatic = 14, kEnumTag = 15, kMemberOfEnum = 16, kRegisterParam = 17,
                       kBitField = 18, kBlock = 100, kFunction = 101, kEndOfStruct = 102, kFile = 103,
                       kSection = 104, kWeakExternal = 105, kClrToken = 107;
}

// A symbol record as it stands; name_offset is set when the name lives in
// the string table (the inline name is then empty).
struct Symbol {
    std::string inline_name;
    std::optional<std::uint32_t> name_offset;
    std::uint32_t value = 0;
    std::int16_t section = 0;
    std::uint16_t type = 0;
    std::uint8_t storage_class = 0;
    std::uint8_t aux_count = 0;
};
Symbol read_symbol(ByteReader& r);
// The name of a symbol: inline, or from the string table (empty when the
// offset does not lie inside it; offsets below 4 are never names).
std::string symbol_name(const Symbol& s, std::span<const std::uint8_t> string_table);
// The NUL-terminated string at offset of a string table (empty when out of range).
std::string_view string_at(std::span<const std::uint8_t> string_table, std::uint32_t offset);

// Auxiliary record layouts (offsets within the 18-byte record).
namespace aux_function {  // behind a function definition symbol
constexpr std::size_t kBeginFunctionIndex = 0,  // symbol index of the function's ".bf" record
    kTotalSize = 4, kLinePos = 8, kNextFunction = 12;
}
namespace aux_bf_ef {  // behind ".bf" and ".ef" (storage class 101)
constexpr std::size_t kLine = 4,  // 16-bit source line
    kNextFunction = 12;           // ".bf" only
}
namespace aux_section {  // behind a section definition symbol (storage class 3, value 0)
constexpr std::size_t kLength = 0, kRelocCount = 4, kLineCount = 6, kChecksum = 8, kNumber = 12,
                      kSelection = 14;
}
namespace aux_weak {  // behind a weak external
constexpr std::size_t kTagIndex = 0, kCharacteristics = 4;
}
// COMDAT selection values of the section auxiliary record.
namespace comdat {
constexpr std::uint8_t kNoDuplicates = 1, kAny = 2, kSameSize = 3, kExactMatch = 4, kAssociative = 5,
                       kLargest = 6;
}
// Names of the function-delimiting symbols.
constexpr std::string_view kBeginFunction = ".bf", kEndFunction = ".ef", kLinesInFunction = ".lf",
                           kFileSymbol = ".file";

// The source line of a ".bf"/".ef" auxiliary record.
std::uint16_t aux_line(std::span<const std::uint8_t> aux);

// ---------------------------------------------------------------------------
// Relocations: 10 bytes each.
constexpr std::size_t kRelocationSize = 10;
namespace relocation {
constexpr std::size_t kAddress = 0, kSymbolIndex = 4, kType = 8;
}
namespace reloc_i386 {
constexpr std::uint16_t kAbsolute = 0x0000, kDir16 = 0x0001, kRel16 = 0x0002, kDir32 = 0x0006, kDir32NB = 0x0007,
                        kSeg12 = 0x0009, kSection = 0x000A, kSecRel = 0x000B, kToken = 0x000C, kSecRel7 = 0x000D,
                        kRel32 = 0x0014;
}
namespace reloc_amd64 {
constexpr std::uint16_t kAbsolute = 0x0000, kAddr64 = 0x0001, kAddr32 = 0x0002, kAddr32NB = 0x0003,
                        kRel32 = 0x0004, kRel32_1 = 0x0005, kRel32_2 = 0x0006, kRel32_3 = 0x0007,
                        kRel32_4 = 0x0008, kRel32_5 = 0x0009, kSection = 0x000A, kSecRel = 0x000B,
                        kSecRel7 = 0x000C, kToken = 0x000D, kSRel32 = 0x000E;
}
struct Relocation {
    std::uint32_t address = 0;
    std::uint32_t symbol_index = 0;
    std::uint16_t type = 0;
};
Relocation read_relocation(ByteReader& r);

// A section's relocation count as its header and relocation area hold it.
// More than kMostCountedRelocations do not fit the 16-bit field: it then says
// 0xFFFF, the section carries kRelocOverflow, and an extra first entry whose
// address is the real count plus one (it counts itself) stands before the
// relocations.
constexpr std::size_t kMostCountedRelocations = 0xFFFE;
struct RelocationCount {
    std::uint16_t field = 0;  // the section header's count
    std::uint32_t flags = 0;  // section_flags::kRelocOverflow or nothing, for the characteristics
    std::size_t entries = 0;  // the 10-byte entries of the relocation area
};
RelocationCount relocation_count(std::size_t relocations);
// Writes one section's relocation area: the count entry when one is needed,
// then the relocations.
void write_relocations(ByteWriter& w, std::span<const Relocation> relocations);

// ---------------------------------------------------------------------------
// Line numbers: 6 bytes each. A record whose line is 0 starts a function and
// its first field is the function's symbol index; otherwise the field is the
// address of the line's code and the line is relative to the function's
// ".bf" line.
constexpr std::size_t kLineNumberSize = 6;
namespace line_number {
constexpr std::size_t kAddressOrSymbol = 0, kLine = 4;
}
struct LineNumber {
    std::uint32_t address_or_symbol = 0;
    std::uint16_t line = 0;
    bool starts_function() const { return line == 0; }
};

/* The count line-number records at pos of file. Decodes as many as fit and
   reports in *complete whether all of them did; never reads outside file. */
std::vector<LineNumber> read_line_numbers(std::span<const std::uint8_t> file, std::size_t pos, std::size_t count,
                                          bool* complete = nullptr);

// ---------------------------------------------------------------------------
// Archives ("!<arch>\n" and 60-byte member headers).
constexpr std::string_view kArchiveSignature = "!<arch>\n";
constexpr std::size_t kArchiveMemberHeaderSize = 60;
namespace member_header {
constexpr std::size_t kName = 0, kNameSize = 16, kDate = 16, kDateSize = 12, kUserId = 28, kUserIdSize = 6,
                      kGroupId = 34, kGroupIdSize = 6, kMode = 40, kModeSize = 8, kSize = 48, kSizeSize = 10,
                      kEnd = 58;
}
constexpr std::string_view kMemberHeaderEnd = "`\n";
constexpr std::string_view kLinkerMemberName = "/               ";
constexpr std::string_view kLongNamesMemberName = "//              ";

struct MemberHeader {
    std::string name;  // the 16-byte field as it stands, trailing blanks removed
    std::uint32_t size = 0;
};
// The member header at the reader's position; nothing when the end marker or
// the decimal size is wrong (the reader is advanced past the header anyway).
std::optional<MemberHeader> read_member_header(ByteReader& r);

// First linker member: big-endian count, count big-endian member offsets,
// then count NUL-terminated names. Second linker member: little-endian
// member count, member offsets, symbol count, 16-bit 1-based member indices,
// then the names, sorted.
struct LinkerMemberEntry {
    std::string name;
    std::uint32_t member_offset = 0;
};
std::optional<std::vector<LinkerMemberEntry>> read_first_linker_member(std::span<const std::uint8_t> body);

// ---------------------------------------------------------------------------
// Import object (short import library member): 20-byte header, then the
// symbol name and the DLL name, both NUL-terminated.
constexpr std::size_t kImportHeaderSize = 20;
namespace import_header {
constexpr std::size_t kSig1 = 0, kSig2 = 2, kVersion = 4, kMachine = 6, kTimeStamp = 8, kDataSize = 12,
                      kOrdinalOrHint = 16, kType = 18;
}
constexpr std::uint16_t kImportSig2 = 0xFFFF;
namespace import_type {  // bits 0-1 of the type word
constexpr std::uint16_t kCode = 0, kData = 1, kConst = 2;
}
namespace import_name_type {  // bits 2-4 of the type word
constexpr std::uint16_t kOrdinal = 0, kName = 1, kNameNoPrefix = 2, kNameUndecorate = 3;
}
struct ImportObject {
    std::uint16_t machine = 0;
    std::uint16_t ordinal_or_hint = 0;
    std::uint16_t type = 0;       // import_type
    std::uint16_t name_type = 0;  // import_name_type
    std::string symbol;
    std::string dll;
};
// Nothing when bytes is not an import object or is cut short.
std::optional<ImportObject> read_import_object(std::span<const std::uint8_t> bytes);

// ---------------------------------------------------------------------------
// PE images.
constexpr std::uint16_t kDosSignature = 0x5A4D;  // "MZ"
constexpr std::size_t kDosLfanewOffset = 0x3C;
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kOptionalMagicPe32 = 0x10B, kOptionalMagicPe32Plus = 0x20B;
constexpr std::size_t kOptionalHeaderSize32 = 224;  // PE32 with 16 data directories
namespace optional_header32 {
constexpr std::size_t kSizeOfCode = 4, kSizeOfInitializedData = 8, kSizeOfUninitializedData = 12;
constexpr std::size_t kMagic = 0, kEntryPoint = 16, kBaseOfCode = 20, kBaseOfData = 24, kImageBase = 28,
                      kSectionAlignment = 32, kFileAlignment = 36, kSizeOfImage = 56, kSizeOfHeaders = 60,
                      kChecksum = 64, kSubsystem = 68, kDllCharacteristics = 70, kDirectoryCount = 92,
                      kDirectories = 96;
}
constexpr std::size_t kDataDirectorySize = 8;  // RVA, size
namespace data_directory {
constexpr std::size_t kExport = 0, kImport = 1, kResource = 2, kException = 3, kSecurity = 4, kBaseReloc = 5,
                      kDebug = 6, kArchitecture = 7, kGlobalPtr = 8, kTls = 9, kLoadConfig = 10, kBoundImport = 11,
                      kIat = 12, kDelayImport = 13, kClrRuntime = 14, kCount = 16;
}
namespace subsystem {
constexpr std::uint16_t kNative = 1, kWindowsGui = 2, kWindowsCui = 3;
}

// Import directory: 20-byte descriptors, ended by one whose name and address
// table are both zero; a hint/name entry's name lies 2 bytes in.
constexpr std::size_t kImportDescriptorSize = 20;
namespace import_descriptor {
constexpr std::size_t kLookupTable = 0, kTimeStamp = 4, kForwarderChain = 8, kName = 12, kAddressTable = 16;
}
constexpr std::size_t kHintNameNameOffset = 2;
constexpr std::uint32_t kImportByOrdinal = 0x80000000;

// Export directory: 40 bytes leading to the address table (one RVA per
// ordinal from the base), the name pointers and the 16-bit ordinal table
// (ordinal minus base for each name). An address inside the directory's own
// range is a forwarder: the RVA of a "DLL.name" or "DLL.#ordinal" string.
constexpr std::size_t kExportDirectorySize = 40;
namespace export_directory {
constexpr std::size_t kCharacteristics = 0, kTimeStamp = 4, kVersion = 8, kName = 12, kOrdinalBase = 16,
                      kFunctionCount = 20, kNameCount = 24, kAddressTable = 28, kNamePointers = 32,
                      kOrdinalTable = 36;
}

// Debug directory: 28-byte entries.
constexpr std::size_t kDebugDirectoryEntrySize = 28;
namespace debug_entry {
constexpr std::size_t kCharacteristics = 0, kTimeStamp = 4, kVersion = 8, kType = 12, kSize = 16, kAddress = 20,
                      kPosition = 24;
}
namespace debug_type {
constexpr std::uint32_t kUnknown = 0, kCoff = 1, kCodeView = 2, kFpo = 3, kMisc = 4, kException = 5,
                        kFixup = 6, kBorland = 9;
}

// ---------------------------------------------------------------------------
// CodeView. Both generations start ".debug$S"/".debug$T" with a 32-bit
// signature: 1 for CodeView 4 records (16-bit type indices), 4 for C13
// (32-bit type indices, symbol data in subsections).
namespace codeview {
constexpr std::uint32_t kSignatureCv4 = 1, kSignatureC13 = 4;
constexpr std::uint32_t kFirstTypeIndex = 0x1000;

// CodeView 4 symbol kinds.
namespace cv4_symbol {
constexpr std::uint16_t kCompile = 0x0001, kRegister = 0x0002, kConstant = 0x0003, kUdt = 0x0004,
                        kStartSearch = 0x0005, kEnd = 0x0006, kObjName = 0x0009, kFrameRelative = 0x0200,
                        kLocalData = 0x0201, kGlobalData = 0x0202, kPublic = 0x0203, kLocalProcedure = 0x0204,
                        kGlobalProcedure = 0x0205, kThunk = 0x0206, kBlock = 0x0207, kLabel = 0x0209,
                        kProcedureReference = 0x0400, kDataReference = 0x0401, kAlign = 0x0402;
}
// NB09 subsection kinds of a linked image's CodeView block.
namespace nb09_subsection {
constexpr std::uint16_t kModule = 0x120, kAlignedSymbols = 0x125, kSourceModule = 0x127, kGlobalSymbols = 0x129,
                        kGlobalPublics = 0x12A, kGlobalTypes = 0x12B, kSegmentMap = 0x12D, kFileIndex = 0x133,
                        kStaticSymbols = 0x134;
}
constexpr std::uint16_t kWith = 0x0208;  // CodeView 4 "with" scope (opens a scope like a block)
// CodeView 4 type leaves (16-bit indices).
namespace cv4_leaf {
constexpr std::uint16_t kModifier = 0x0001, kPointer = 0x0002, kArray = 0x0003, kClass = 0x0004,
                        kStructure = 0x0005, kUnion = 0x0006, kEnum = 0x0007, kProcedure = 0x0008,
                        kMemberFunction = 0x0009, kVtShape = 0x000A, kArgList = 0x0201, kFieldList = 0x0204,
                        kDerived = 0x0205, kBitField = 0x0206, kBaseClass = 0x0400, kEnumerate = 0x0403,
                        kIndex = 0x0405, kMember = 0x0406, kStaticMember = 0x0407, kNestedType = 0x0409;
}
// C13 symbol kinds (32-bit type indices).
namespace c13_symbol {
constexpr std::uint16_t kEnd = 0x0006, kRegister = 0x1106, kConstant = 0x1107, kUdt = 0x1108, kBpRel = 0x110B,
                        kLocalData = 0x110C, kGlobalData = 0x110D, kPublic = 0x110E, kLocalProcedure = 0x110F,
                        kGlobalProcedure = 0x1110, kRegRel = 0x1111, kLocalThreadData = 0x1112,
                        kGlobalThreadData = 0x1113, kBlock = 0x1103, kLabel = 0x1105, kObjName = 0x1101,
                        kCompile3 = 0x113C, kEnvBlock = 0x113D, kLocal = 0x113E, kDefRange = 0x113F,
                        kDefRangeSubfield = 0x1140, kDefRangeRegister = 0x1141, kDefRangeFramePointerRel = 0x1142,
                        kDefRangeSubfieldRegister = 0x1143, kDefRangeFramePointerRelFullScope = 0x1144,
                        kDefRangeRegisterRel = 0x1145, kLocalProcedureId = 0x1146, kGlobalProcedureId = 0x1147,
                        kBuildInfo = 0x114C, kInlineSite = 0x114D, kInlineSiteEnd = 0x114E, kProcIdEnd = 0x114F,
                        kFrameProc = 0x1012, kCallSiteInfo = 0x1139, kHeapAllocSite = 0x115E,
                        kFileStatic = 0x1153, kCallees = 0x115A, kCallers = 0x115B;
}
// C13 subsection kinds of ".debug$S".
namespace c13_subsection {
constexpr std::uint32_t kIgnore = 0x80000000, kSymbols = 0xF1, kLines = 0xF2, kStringTable = 0xF3,
                        kFileChecksums = 0xF4, kFrameData = 0xF5, kInlineeLines = 0xF6, kCrossScopeImports = 0xF7,
                        kCrossScopeExports = 0xF8, kIlLines = 0xF9, kFuncMdTokenMap = 0xFA,
                        kTypeMdTokenMap = 0xFB, kMergedAssemblyInput = 0xFC, kCoffSymbolRva = 0xFD;
}
// C13 type leaves (32-bit indices).
namespace c13_leaf {
constexpr std::uint16_t kModifier = 0x1001, kPointer = 0x1002, kProcedure = 0x1008, kMemberFunction = 0x1009,
                        kArgList = 0x1201, kFieldList = 0x1203, kBitField = 0x1205, kMethodList = 0x1206,
                        kBaseClass = 0x1400, kIndex = 0x1404, kArray = 0x1503, kClass = 0x1504,
                        kStructure = 0x1505, kUnion = 0x1506, kEnum = 0x1507, kEnumerate = 0x1502,
                        kMember = 0x150D, kStaticMember = 0x150E, kNestedType = 0x1510, kOneMethod = 0x1511,
                        kVFuncTab = 0x1409, kTypeServer2 = 0x1515, kInterface = 0x1519, kVFTable = 0x151D,
                        kFuncId = 0x1601, kMemberFuncId = 0x1602, kBuildInfo = 0x1603, kSubstrList = 0x1604,
                        kStringId = 0x1605, kUdtSourceLine = 0x1606, kUdtModSourceLine = 0x1607,
                        kLabel = 0x000E, kVTShape = 0x000A;
}
// Numeric leaves (shared by both generations): values below kNumeric are
// immediate; above it a leaf word names the size of the value that follows.
namespace numeric_leaf {
constexpr std::uint16_t kNumeric = 0x8000, kChar = 0x8000, kShort = 0x8001, kUShort = 0x8002, kLong = 0x8003,
                        kULong = 0x8004, kReal32 = 0x8005, kReal64 = 0x8006, kReal80 = 0x8007, kReal128 = 0x8008,
                        kQuadWord = 0x8009, kUQuadWord = 0x800A;
constexpr std::uint16_t kVarString = 0x8010;  // 16-bit length, then the characters
}
// Pad bytes inside field lists: 0xF0 + the count of bytes to the next field.
constexpr std::uint8_t kPadLeafBase = 0xF0;

// x86 register numbers (the same in both generations).
namespace x86_register {
constexpr std::uint16_t kAl = 1, kCl = 2, kDl = 3, kBl = 4, kAx = 9, kCx = 10, kDx = 11, kBx = 12, kSp = 13,
                        kBp = 14, kSi = 15, kDi = 16, kEax = 17, kEcx = 18, kEdx = 19, kEbx = 20, kEsp = 21,
                        kEbp = 22, kEsi = 23, kEdi = 24, kSt0 = 128, kXmm0 = 154,
                        kVirtualFrame = 30006;  // the realigned frame base of x86 (0x7536)
}
}  // namespace codeview

}  // namespace vyn::coff

// ===========================================================================
// What a PE32 loader reads beyond the headers: the stack reserve, the DLL
// characteristics it honours, and the layouts of the import, base relocation
// and TLS directories.
namespace vyn::coff {

namespace optional_header32 {
constexpr std::size_t kSizeOfStackReserve = 72;
}
// DLL characteristics (optional header).
namespace dll_flags {
constexpr std::uint16_t kNxCompatible = 0x0100;
}

// PE32 lookup and address table entries: an ordinal when the top bit is set,
// else the RVA of a 2-byte hint followed by the NUL-terminated name.
namespace import_entry32 {
constexpr std::size_t kSize = 4;
constexpr std::uint32_t kOrdinalFlag = 0x80000000u, kOrdinalMask = 0xFFFF;
constexpr std::size_t kHintSize = 2;
}

// Base relocations: blocks of an 8-byte header (page RVA, block size in
// bytes) and 2-byte entries, the type in the top 4 bits and the offset in
// the page below them.
constexpr std::size_t kBaseRelocBlockHeaderSize = 8;
constexpr std::size_t kBaseRelocEntrySize = 2;
namespace base_reloc {
constexpr std::uint8_t kAbsolute = 0, kHigh = 1, kLow = 2, kHighLow = 3;
constexpr int kTypeShift = 12;
constexpr std::uint16_t kOffsetMask = 0x0FFF;
constexpr std::uint8_t type(std::uint16_t entry) { return static_cast<std::uint8_t>(entry >> kTypeShift); }
constexpr std::uint16_t offset(std::uint16_t entry) { return entry & kOffsetMask; }
}  // namespace base_reloc

// TLS directory of a PE32 image: virtual addresses at the preferred base.
constexpr std::size_t kTlsDirectorySize32 = 24;
namespace tls_directory32 {
constexpr std::size_t kRawDataStart = 0, kRawDataEnd = 4, kIndexAddress = 8, kCallbacks = 12, kZeroFillSize = 16,
                      kCharacteristics = 20;
}

}  // namespace vyn::coff
