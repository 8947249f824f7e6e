#include "resedit/custom_dlls.h"

#include <algorithm>
#include <cctype>

namespace vyn::resedit {
namespace {

bool same_path(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::vector<std::string> split_dll_list(const std::string& text)
{
    std::vector<std::string> list;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        std::string path = text.substr(start, end - start);
        if (!path.empty())
            add_dll(list, path);
        start = end + 1;
    }
    return list;
}

std::string join_dll_list(const std::vector<std::string>& paths)
{
    std::string text;
    for (const std::string& p : paths)
        text += (text.empty() ? "" : ";") + p;
    return text;
}

bool add_dll(std::vector<std::string>& list, const std::string& path)
{
    if (path.empty() || path.find(';') != std::string::npos)
        return false;
    if (std::any_of(list.begin(), list.end(), [&](const std::string& p) { return same_path(p, path); }))
        return false;
    list.push_back(path);
    return true;
}

bool remove_dll(std::vector<std::string>& list, const std::string& path)
{
    auto it = std::find_if(list.begin(), list.end(), [&](const std::string& p) { return same_path(p, path); });
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

std::size_t add_custom_control(Dialog& d, const CustomClass& cls, int x, int y, const EditorSettings& s)
{
    // Placed as a static text of the class's size, then given the class.
    std::size_t i = add_control(d, kText, x, y, s);
    Control& c = d.controls[i];
    c.kind = kCustom;
    c.window_class = {false, 0, cls.name};
    c.text = {false, 0, cls.text};
    c.style = cls.style | 0x50000000u;  // WS_CHILD | WS_VISIBLE
    c.ex_style = cls.ex_style;
    Rect r{c.x, c.y, c.x + (cls.cx > 0 ? cls.cx : 40), c.y + (cls.cy > 0 ? cls.cy : 14)};
    set_control_rect(c, keep_inside(r, d.cx, d.cy, s));
    return i;
}

}  // namespace vyn::resedit
