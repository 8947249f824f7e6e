#include "platform/registry.h"

namespace vyn::platform {

std::unique_ptr<Registry> open_registry()
{
    return open_hive_file(default_hive_path());
}

}  // namespace vyn::platform
