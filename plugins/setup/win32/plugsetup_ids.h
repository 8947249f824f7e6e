// Resource and control ids of the installer's dialog.
#pragma once

#define IDD_PLUGSETUP 101
#define IDC_PLUGIN_FIRST 1000
#define IDC_PLUGIN_LAST 1005
