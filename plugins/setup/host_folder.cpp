#include "plugins/setup/host_folder.h"

namespace vyn::setup {

/* plugin_folder_for: the scan runs backwards from the end, so the cut is at
   the last 'c' or 'C' of the whole value; without one the value is kept whole. */
std::string plugin_folder_for(std::string_view program_path)
{
    std::size_t cut = program_path.find_last_of("cC");
    std::string folder(cut == std::string_view::npos ? program_path : program_path.substr(0, cut));
    return folder + "VSTPlugins\\";
}

std::string find_host_folder(platform::Registry& registry)
{
    auto value = registry.read_string(platform::RegistryRoot::LocalMachine, kHostAppPathKey, "");
    if (!value || value->size() + 1 > kHostPathLimit)
        return {};
    return plugin_folder_for(*value);
}

}  // namespace vyn::setup
