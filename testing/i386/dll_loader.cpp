// The DLLs a program needs beyond the system's own: found through the DLL
// finder, loaded like the program (at their preferred bases or moved), with
// the DLLs they need in turn; imports bound to the exports of the DLLs that
// hold them (following forwarders) or to the machine's stubs; and the
// order in which their entry points attach (a DLL after the DLLs it imports
// from, the program last) and detach (the reverse).
#include "testing/i386/engine.h"

#include "testing/i386/api.h"

#include "common/strings.h"

#include <algorithm>
#include <charconv>

namespace vyn::i386 {

namespace {

// A forwarder leads to another export, which may forward again; a chain
// this long is taken for a loop.
constexpr int kMaxForwarding = 16;

// The DLL a forwarder ("DLL.name" or "DLL.#ordinal") leads to, lower case,
// and the export it names; false when it has no such shape.
bool split_forwarder(const std::string& forwarder, std::string& dll, std::string& name)
{
    std::size_t dot = forwarder.find('.');
    if (dot == 0 || dot == std::string::npos || dot + 1 == forwarder.size())
        return false;
    dll = to_lower_ascii(forwarder.substr(0, dot)) + ".dll";
    name = forwarder.substr(dot + 1);
    return true;
}

// The DLLs an image needs, lower case, each once, in the order they appear:
// those it imports from, then those its forwarders lead to.
std::vector<std::string> needed_dlls(const PeImage& image)
{
    std::vector<std::string> names;
    auto add = [&](std::string name) {
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
    };
    for (const ImportedFunction& import : image.imports)
        add(to_lower_ascii(import.dll));
    std::string dll, name;
    for (const Export& e : image.exports)
        if (!e.forwarder.empty() && split_forwarder(e.forwarder, dll, name))
            add(dll);
    return names;
}

std::string importer_name(const std::string& module_name)
{
    return module_name.empty() ? "the program" : module_name;
}

}  // namespace

bool Machine::load_dlls()
{
    // modules_ grows while it is walked: each DLL's needs are met in turn.
    for (std::size_t i = 0; i < modules_.size(); ++i) {
        for (const std::string& dll : needed_dlls(modules_[i]->image)) {
            std::size_t found = find_module(dll);
            if (found == 0 && !served_by_machine(dll) && dll_finder_) {
                if (!load_dll(dll, *modules_[i]))
                    return false;
                found = modules_.size() - 1;
            }
            std::vector<std::size_t>& needs = modules_[i]->dependencies;
            if (found != 0 && found != i && std::find(needs.begin(), needs.end(), found) == needs.end())
                needs.push_back(found);
        }
    }
    return true;
}

bool Machine::load_dll(const std::string& name, const Module& importer)
{
    if (modules_.size() == kMaxModules)
        return fail("more than " + std::to_string(kMaxModules - 1) + " DLLs to load");
    std::optional<DllFile> file = dll_finder_(name);
    if (!file)
        return fail("cannot find " + name + ", which " + importer_name(importer.name) + " imports");
    auto module = std::make_unique<Module>();
    module->name = name;
    module->file = std::move(file->bytes);
    std::string error;
    if (!read_pe_image(module->file, module->image, error))
        return fail(name + " (" + file->path + "): " + error);
    if (!module->image.dll)
        return fail(name + " (" + file->path + "): not a DLL");
    const std::vector<Export>& exports = module->image.exports;
    for (std::size_t k = 0; k < exports.size(); ++k) {
        if (!exports[k].name.empty())
            module->export_names.emplace(exports[k].name, k);
        module->export_ordinals.emplace(exports[k].ordinal, k);
    }
    if (!place_image(*module) || !map_image(*module) || !relocate(*module))
        return false;
    if (module->image.entry_rva != 0)
        module->entry = module->base + module->image.entry_rva;
    modules_.push_back(std::move(module));
    return true;
}

std::size_t Machine::find_module(std::string_view lower_name) const
{
    for (std::size_t i = 1; i < modules_.size(); ++i)
        if (modules_[i]->name == lower_name)
            return i;
    return 0;
}

std::uint32_t Machine::module_base(std::string_view name) const
{
    std::string lower = to_lower_ascii(name);
    std::size_t slash = lower.find_last_of("\\/");
    if (slash != std::string::npos)
        lower.erase(0, slash + 1);
    if (lower.find('.') == std::string::npos)
        lower += ".dll";
    std::size_t index = find_module(lower);
    return index == 0 ? 0 : modules_[index]->base;
}

// Stores each import's address in its IAT slot: the export of a loaded DLL,
// or a stub of the machine. Imports without an implementation get a stub
// too: the program may never call them, and a call is reported when it
// happens.
bool Machine::bind_imports(Module& module)
{
    for (const ImportedFunction& import : module.image.imports) {
        std::size_t target = find_module(to_lower_ascii(import.dll));
        std::uint32_t address =
            target != 0 ? resolve_export(*modules_[target], import.name, "which " + importer_name(module.name) + " imports", 0)
                        : stub_for(import.dll, import.name);
        if (address == 0)
            return false;
        if (!poke_u32(module.base + import.slot_rva, address))
            return fail_in(module, "import address slot of " + import.dll + "!" + import.name + " lies in no section");
    }
    return true;
}

std::uint32_t Machine::resolve_export(const Module& module, const std::string& name, const std::string& wanted_by,
                                      int forwarding_depth)
{
    const Export* found = nullptr;
    if (name.starts_with("#")) {
        std::uint32_t ordinal = 0;
        auto [end, status] = std::from_chars(name.data() + 1, name.data() + name.size(), ordinal);
        auto it = module.export_ordinals.find(ordinal);
        if (status == std::errc() && end == name.data() + name.size() && it != module.export_ordinals.end())
            found = &module.image.exports[it->second];
    } else if (auto it = module.export_names.find(name); it != module.export_names.end()) {
        found = &module.image.exports[it->second];
    }
    if (!found) {
        fail(module.name + " exports no " + name + ", " + wanted_by);
        return 0;
    }
    if (found->forwarder.empty())
        return module.base + found->rva;
    std::string dll, target_name;
    if (!split_forwarder(found->forwarder, dll, target_name)) {
        fail(module.name + ": export " + name + " forwards to '" + found->forwarder + "', which names no DLL export");
        return 0;
    }
    if (forwarding_depth == kMaxForwarding) {
        fail(module.name + ": the forwarders of " + name + " lead round in a loop");
        return 0;
    }
    std::size_t target = find_module(dll);
    return target != 0 ? resolve_export(*modules_[target], target_name,
                                        "to which " + module.name + " forwards " + name, forwarding_depth + 1)
                        : stub_for(dll, target_name);
}

std::uint32_t Machine::stub_for(const std::string& dll, const std::string& name)
{
    if (stubs_.size() == kMaxImports) {
        fail("more than " + std::to_string(kMaxImports) + " imported functions in the program and its DLLs");
        return 0;
    }
    std::uint32_t address = kStubBase + static_cast<std::uint32_t>(stubs_.size()) * kStubSize;
    stubs_.push_back({dll, name, find_api(dll, name)});
    if (const DataImport* data = find_data_import(dll, name)) {
        address = data->create(*this);
        if (address == 0)
            fail("no room for the data import " + dll + "!" + name);
    }
    return address;
}

// Depth first: a module joins the order once every DLL it needs has.
// Dependencies that form a loop are taken in the order they were met.
void Machine::order_initialisation(std::size_t index, std::vector<bool>& visited)
{
    visited[index] = true;
    for (std::size_t dependency : modules_[index]->dependencies)
        if (!visited[dependency])
            order_initialisation(dependency, visited);
    init_order_.push_back(index);
}

// Each module's TLS callbacks, then a DLL's entry point; the program's own
// entry follows once these are done (start_next).
void Machine::queue_attach_calls()
{
    for (std::size_t index : init_order_) {
        const Module& module = *modules_[index];
        for (std::uint32_t callback : module.tls_callbacks)
            calls_.push_back({callback, index, kDllProcessAttach, false});
        if (index != 0 && module.entry != 0)
            calls_.push_back({module.entry, index, kDllProcessAttach, true});
    }
}

// The reverse of the attach order, for the modules whose attach calls began.
void Machine::queue_detach_calls()
{
    for (auto it = init_order_.rbegin(); it != init_order_.rend(); ++it) {
        const Module& module = *modules_[*it];
        if (!module.attached)
            continue;
        for (std::uint32_t callback : module.tls_callbacks)
            calls_.push_back({callback, *it, kDllProcessDetach, false});
        if (*it != 0 && module.entry != 0)
            calls_.push_back({module.entry, *it, kDllProcessDetach, true});
    }
}

// The files and the parsed images are needed only while loading.
void Machine::release_load_data()
{
    for (auto& module : modules_) {
        module->file = {};
        module->image = {};
        module->export_names.clear();
        module->export_ordinals.clear();
    }
}

}  // namespace vyn::i386
