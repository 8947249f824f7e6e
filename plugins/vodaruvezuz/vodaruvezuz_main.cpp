// The library's only export, `main` (see plugin_export.h).
#include "plugins/sdk/plugin_export.h"
#include "plugins/vodaruvezuz/vodaruvezuz.h"

VYN_PLUGIN_MAIN(vodaruvezuz_main)
{
    if (!host || host(nullptr, static_cast<std::int32_t>(vyn::fx::HostOpcode::Version), 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    vyn::fx::DistortionRecord* record = vyn::fx::create_distortion(host);
    return record ? &record->effect : nullptr;
}
