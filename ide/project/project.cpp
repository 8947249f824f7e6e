#include "ide/project/project.h"

namespace vyn::project {

ProjectType project_type(std::uint32_t f)
{
    if (f & flag::kStaticLibrary)
        return ProjectType::Library;
    if (f & flag::kDll)
        return ProjectType::Dll;
    if (f & flag::kConsole)
        return ProjectType::Console;
    return ProjectType::Windows;
}

const char* project_type_name(ProjectType type)
{
    switch (type) {
    case ProjectType::Library: return "Library";
    case ProjectType::Dll: return "Dll";
    case ProjectType::Console: return "Console application";
    case ProjectType::Windows: break;
    }
    return "Windows application";
}

const char* type_extension(ProjectType type)
{
    switch (type) {
    case ProjectType::Library: return ".lib";
    case ProjectType::Dll: return ".dll";
    default: return ".exe";
    }
}

std::uint32_t with_output_type(std::uint32_t f, std::uint32_t output_bit)
{
    return (f & ~flag::kOutputTypes) | (output_bit & flag::kOutputTypes);
}

std::uint32_t normalised_flags(std::uint32_t f)
{
    if (f & (flag::kStackTrace | flag::kStackTraceLines | 0x100000))
        f |= flag::kDebugInfo;
    return f;
}

}  // namespace vyn::project
