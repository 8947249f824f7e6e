// Parameter displays of both plug-ins for given settings, checked natively
// and under Wine against the same table.
#pragma once

#include <string>
#include <vector>

namespace vyn::fxtest {

struct DisplayCase {
    const char* plugin;
    std::vector<std::string> actions;  // vsthost actions before --show
    int parameter;
    const char* display;
};

inline const std::vector<DisplayCase>& display_cases()
{
    static const std::vector<DisplayCase> cases = {
        // delay: defaults of program 0
        {"delay", {}, 0, "100.0000"},
        {"delay", {}, 1, "25.00000"},
        {"delay", {}, 2, "Center"},
        {"delay", {}, 3, "8000.000"},
        {"delay", {}, 4, "50%/50%"},
        {"delay", {}, 5, "-2.49877"},
        // delay: edges of each display
        {"delay", {"--set", "0=0"}, 0, "0.000000"},
        {"delay", {"--set", "1=0"}, 1, "-100.000"},
        {"delay", {"--set", "1=1"}, 1, "100.0000"},
        {"delay", {"--set", "2=0.25"}, 2, "L 0.50"},
        {"delay", {"--set", "2=1"}, 2, "R 1.00"},
        {"delay", {"--set", "2=0.4996"}, 2, "Center"},
        {"delay", {"--set", "2=0.499"}, 2, "L 0.00"},
        {"delay", {"--set", "3=0.5"}, 3, "11000.00"},
        {"delay", {"--set", "3=1"}, 3, "22000.00"},
        {"delay", {"--rate", "30000", "--set", "3=1"}, 3, "0.000000"},
        {"delay", {"--set", "4=0.3"}, 4, "70%/30%"},
        {"delay", {"--set", "4=0"}, 4, "100%/0%"},
        {"delay", {"--set", "5=0"}, 5, "   -\xB0   "},
        {"delay", {"--set", "5=1"}, 5, "0.000000"},
        {"delay", {"--set", "5=0.5"}, 5, "-6.02060"},
        // Vodaruvezuz
        {"Vodaruvezuz", {}, 0, "100.00"},
        {"Vodaruvezuz", {}, 1, "80.00"},
        {"Vodaruvezuz", {"--set", "0=1"}, 0, "999.00"},
        {"Vodaruvezuz", {"--set", "0=0.5"}, 0, "549.50"},
        {"Vodaruvezuz", {"--set", "1=0"}, 1, "0.00"},
        {"Vodaruvezuz", {"--set", "1=1"}, 1, "100.00"},
    };
    return cases;
}

}  // namespace vyn::fxtest
