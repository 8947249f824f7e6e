// Finding an import's implementation in the modules' tables.
#include "testing/i386/api.h"

#include "common/strings.h"

#include <string>

namespace vyn::i386 {

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
