// Reading another process's tree view: its item structures must lie in that
// process, so a small block is lent there for each request.
#include <windows.h>
#include <commctrl.h>

#include "testing/guidriver/gui_driver.h"

namespace vyn::gui {

namespace {

constexpr int kTextChars = 260;

// A block of memory in another process, freed with the object.
class LentMemory {
public:
    LentMemory(HWND window, std::size_t size)
    {
        DWORD process_id = 0;
        GetWindowThreadProcessId(window, &process_id);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id);
        if (process_)
            address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~LentMemory()
    {
        if (address_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_)
            CloseHandle(process_);
    }
    LentMemory(const LentMemory&) = delete;
    LentMemory& operator=(const LentMemory&) = delete;
    bool ok() const { return address_ != nullptr; }
    char* at(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
    bool write(std::size_t offset, const void* data, std::size_t size) const
    {
        return WriteProcessMemory(process_, at(offset), data, size, nullptr);
    }
    bool read(std::size_t offset, void* data, std::size_t size) const
    {
        return ReadProcessMemory(process_, at(offset), data, size, nullptr);
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

std::string item_text(HWND tree, HTREEITEM item)
{
    LentMemory memory(tree, sizeof(TVITEMW) + kTextChars * sizeof(wchar_t));
    if (!memory.ok())
        return {};
    TVITEMW request{};
    request.mask = TVIF_TEXT;
    request.hItem = item;
    request.pszText = reinterpret_cast<wchar_t*>(memory.at(sizeof(TVITEMW)));
    request.cchTextMax = kTextChars;
    memory.write(0, &request, sizeof request);
    if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(memory.at(0))))
        return {};
    wchar_t text[kTextChars] = {};
    memory.read(sizeof(TVITEMW), text, sizeof text);
    text[kTextChars - 1] = L'\0';
    std::string narrow;
    for (const wchar_t* c = text; *c; ++c)
        narrow += *c < 0x80 ? char(*c) : '?';
    return narrow;
}

void walk(HWND tree, HTREEITEM first, int depth, std::vector<TreeItem>& items)
{
    for (HTREEITEM item = first; item;
         item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(item)))) {
        items.push_back({depth, item_text(tree, item), item});
        walk(tree, reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(item))),
             depth + 1, items);
    }
}

}  // namespace

std::vector<TreeItem> tree_view_items(HWND tree)
{
    std::vector<TreeItem> items;
    walk(tree, reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)), 0, items);
    return items;
}

std::optional<RECT> tree_view_item_rect(HWND tree, HANDLE item)
{
    LentMemory memory(tree, sizeof(RECT));
    if (!memory.ok())
        return std::nullopt;
    // The request carries the item's handle in the rectangle's place.
    memory.write(0, &item, sizeof item);
    if (!SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(memory.at(0))))
        return std::nullopt;
    RECT r{};
    memory.read(0, &r, sizeof r);
    return r;
}

}  // namespace vyn::gui
