// Declares a plug-in's entry function so that the library exports it under
// the name `main`. A C++ function cannot itself be called main outside a
// program, so the entry has its own C++ name and is renamed at the symbol
// level: on ELF by an assembler label, on Windows by the module-definition
// file ("main=<entry>").
#pragma once

#include "plugins/sdk/effect_interface.h"

#if defined(_WIN32)
#define VYN_PLUGIN_MAIN(entry) extern "C" vyn::fx::EffectRecord* VYN_FX_CALL entry(vyn::fx::HostCallback host)
#else
#define VYN_PLUGIN_MAIN(entry)                                                               \
    extern "C" __attribute__((visibility("default"))) vyn::fx::EffectRecord* entry(          \
        vyn::fx::HostCallback host) __asm__("main");                                         \
    extern "C" vyn::fx::EffectRecord* entry(vyn::fx::HostCallback host)
#endif
