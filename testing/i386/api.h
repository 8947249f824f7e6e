// The tables of emulated system and C library functions.
//
// A stdcall function (the system's) has its arg_count 32-bit arguments read
// from the caller's stack and popped for the caller; a cdecl function (the C
// library's) has them read and left for the caller to pop, and may read
// further (variable) arguments through Machine::argument. The result goes
// to EAX (and EDX for 64-bit results, or ST(0) for floating point ones,
// which the function sets itself).
//
// A data import (the C library's stream table, for example) is an object in
// guest memory: the loader stores its address, which create returns, in the
// import's slot.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vyn::i386 {

class Machine;

enum class Convention { Stdcall, Cdecl };

struct ApiFunction {
    std::string_view dll;  // lower case, for example "kernel32.dll"
    std::string_view name;
    std::uint32_t arg_count;
    std::uint32_t (*call)(Machine& machine, const std::uint32_t* args);
    Convention convention = Convention::Stdcall;
};

struct DataImport {
    std::string_view dll;
    std::string_view name;
    // The object's guest address, made on first use; 0 when there is no room.
    std::uint32_t (*create)(Machine& machine);
};

// Each module's table.
std::span<const ApiFunction> kernel32_functions();
std::span<const ApiFunction> msvcrt_functions();
std::span<const DataImport> msvcrt_data();

// Whether dll (any case) is one of the system's own DLLs, which the machine
// serves with its tables (or reports a call of what they lack) and never
// loads from a file.
bool served_by_machine(std::string_view dll);

// The implementation of dll!name (the DLL name in any case), or null.
const ApiFunction* find_api(std::string_view dll, std::string_view name);
const DataImport* find_data_import(std::string_view dll, std::string_view name);

}  // namespace vyn::i386
