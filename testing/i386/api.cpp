// Finding an import's implementation in the modules' tables.
#include "testing/i386/api.h"

#include "common/strings.h"

#include <string>

namespace vyn::i386 {

bool served_by_machine(std::string_view dll)
{
    static constexpr std::string_view kSystemDlls[] = {
        "kernel32.dll", "msvcrt.dll", "crtdll.dll", "ntdll.dll",   "user32.dll",
        "gdi32.dll",    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll",
    };
    std::string lower = to_lower_ascii(dll);
    for (std::string_view name : kSystemDlls)
        if (lower == name)
            return true;
    return false;
}

const ApiFunction* find_api(std::string_view dll, std::string_view name)
{
    std::string lower = to_lower_ascii(dll);
    for (auto table : {kernel32_functions(), msvcrt_functions()})
        for (const ApiFunction& api : table)
            if (api.dll == lower && api.name == name)
                return &api;
    return nullptr;
}

const DataImport* find_data_import(std::string_view dll, std::string_view name)
{
    std::string lower = to_lower_ascii(dll);
    for (const DataImport& data : msvcrt_data())
        if (data.dll == lower && data.name == name)
            return &data;
    return nullptr;
}

}  // namespace vyn::i386
