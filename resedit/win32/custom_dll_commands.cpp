// Custom control libraries: Open Dll loads a library that describes its
// control classes through CustomControlInfoA (the custom control interface
// of the SDK's custcntl.h) and offers those classes on the palette's
// "Custom" button; Delete Dll forgets one again. The loaded libraries are
// kept in the settings and loaded again at the next start.
#include "resedit/win32/app.h"

#include <windows.h>
#include <custcntl.h>

#include <vector>

#include "common/strings.h"
#include "resedit/custom_dlls.h"
#include "resedit/win32/resource_ids.h"

namespace vyn::resedit::win32 {

namespace {

struct LoadedDll {
    std::string path;
    HMODULE module = nullptr;
    std::vector<CustomClass> classes;
};
std::vector<LoadedDll> g_dlls;

constexpr char kDllFilter[] = "Custom control libraries (*.dll)\0*.dll\0All files (*.*)\0*.*\0";
constexpr UINT kMaxClasses = 256;

std::string fixed_text(const char* text, std::size_t size) { return std::string(text, strnlen(text, size)); }

// The library's classes; nothing (and the library freed) when it is not a
// custom control library.
std::optional<LoadedDll> load(const std::string& path)
{
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module)
        return std::nullopt;
    auto info = reinterpret_cast<LPFNCCINFOA>(reinterpret_cast<void*>(GetProcAddress(module, "CustomControlInfoA")));
    UINT count = info ? info(nullptr) : 0;
    if (count == 0 || count > kMaxClasses) {
        FreeLibrary(module);
        return std::nullopt;
    }
    std::vector<CCINFOA> infos(count);
    count = std::min<UINT>(count, info(infos.data()));
    LoadedDll dll{path, module, {}};
    for (UINT i = 0; i < count; ++i) {
        const CCINFOA& c = infos[i];
        std::string name = fixed_text(c.szClass, CCHCCCLASS);
        if (name.empty())
            continue;
        dll.classes.push_back({name, fixed_text(c.szDesc, CCHCCDESC), fixed_text(c.szTextDefault, CCHCCTEXT),
                               int(c.cxDefault), int(c.cyDefault), c.flStyleDefault, c.flExtStyleDefault});
    }
    if (dll.classes.empty()) {
        FreeLibrary(module);
        return std::nullopt;
    }
    return dll;
}

void remember()
{
    std::vector<std::string> paths;
    for (const LoadedDll& d : g_dlls)
        paths.push_back(d.path);
    app().settings.text(kCustomDlls) = join_dll_list(paths);
}

bool listed(const std::string& path)
{
    std::vector<std::string> paths;
    for (const LoadedDll& d : g_dlls)
        paths.push_back(d.path);
    return !add_dll(paths, path);
}

}  // namespace

void load_remembered_dlls()
{
    for (const std::string& path : split_dll_list(app().settings.text(kCustomDlls)))
        if (auto dll = load(path))
            g_dlls.push_back(std::move(*dll));
    remember();
}

void open_dll_command()
{
    auto path = choose_file(false, kDllFilter, "dll", app().settings.text(kDllDir));
    if (!path || listed(*path))
        return;
    auto dll = load(*path);
    if (!dll) {
        ui().message(vyn::format(kNotCustomControlDll, path->c_str()));
        return;
    }
    g_dlls.push_back(std::move(*dll));
    remember();
    rebuild_view();  // controls of its classes are now shown as themselves
}

void delete_dll_command()
{
    std::vector<std::string> lines;
    for (const LoadedDll& d : g_dlls)
        lines.push_back(d.path);
    if (lines.empty()) {
        ui().message("No custom control DLL is loaded.");
        return;
    }
    auto chosen = choose_one("Delete Dll", lines);
    if (!chosen)
        return;
    // The view may hold windows of the library's classes: it goes first.
    destroy_view();
    app().pending_custom.reset();
    FreeLibrary(g_dlls[*chosen].module);
    g_dlls.erase(g_dlls.begin() + std::ptrdiff_t(*chosen));
    remember();
    rebuild_view();
}

void choose_custom_class()
{
    std::vector<CustomClass> classes;
    std::vector<std::string> lines;
    for (const LoadedDll& d : g_dlls)
        for (const CustomClass& c : d.classes) {
            classes.push_back(c);
            lines.push_back(c.description.empty() ? c.name : c.name + " - " + c.description);
        }
    if (classes.empty()) {
        ui().message("Load a custom control DLL first (File, Open Dll...).");
        return;
    }
    auto chosen = choose_one("Custom control", lines);
    if (!chosen || !app().session.dialog())
        return;
    app().pending_custom = classes[*chosen];
    app().pending_kind = kCustom;
    update_title_and_status();
}

}  // namespace vyn::resedit::win32
