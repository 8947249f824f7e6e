// The table of emulated system functions. Each is stdcall: the machine reads
// arg_count 32-bit arguments from the caller's stack, calls the function,
// pops the arguments for the caller and returns the result in EAX.
#pragma once

#include <cstdint>
#include <string_view>

namespace vyn::i386 {

class Machine;

struct ApiFunction {
    std::string_view dll;   // lower case, for example "kernel32.dll"
    std::string_view name;
    std::uint32_t arg_count;
    std::uint32_t (*call)(Machine& machine, const std::uint32_t* args);
};

// The implementation of dll!name (the DLL name in any case), or null.
const ApiFunction* find_api(std::string_view dll, std::string_view name);

}  // namespace vyn::i386
