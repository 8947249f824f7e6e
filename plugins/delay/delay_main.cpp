// The library's only export, `main` (see plugin_export.h).
#include "plugins/delay/delay_effect.h"
#include "plugins/sdk/plugin_export.h"

VYN_PLUGIN_MAIN(delay_main)
{
    return vyn::fx::start_effect<vyn::fx::DelayEffect>(host);
}
