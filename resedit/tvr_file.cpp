#include "resedit/tvr_file.h"

#include <filesystem>

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "common/strings.h"
#include "platform/files.h"

namespace vyn::resedit {
namespace {

// ---------------------------------------------------------------- writing

void write_control_data(ByteWriter& w, const Control& c)
{
    if (c.kind >= kRect1 && c.kind <= kIcon) {
        w.u16(static_cast<std::uint16_t>(c.raw.size()));
        w.bytes(c.raw);
        return;
    }
    if (c.kind == kCommon14 || c.kind == kCommon16)
        return;
    w.c_string(c.symbol);
    w.c_string(c.callback);
    w.u32(c.flags);
    w.u32(c.notify_mask);
    w.u32(c.text_colour);
    w.u16(c.font_size);
    w.u16(c.font_weight);
    w.u16(static_cast<std::uint16_t>(c.links.size()));
    for (std::uint16_t link : c.links)
        w.u16(link);
    switch (c.kind) {
    case kButton:
        w.c_string(c.bitmap_up);
        w.c_string(c.bitmap_down);
        break;
    case kList:
        w.u16(static_cast<std::uint16_t>(c.list_items.size()));
        for (const std::string& item : c.list_items)
            w.c_string(item);
        break;
    case kSlider:
    case kSpin:
    case kSpinNotify:
        w.u32(static_cast<std::uint32_t>(c.range_low));
        w.u32(static_cast<std::uint32_t>(c.range_high));
        break;
    case kEdit:
    case kCombo:
        w.u32(c.text_limit);
        break;
    default:
        break;
    }
}

void write_control(ByteWriter& w, const Control& c)
{
    w.u16(c.kind);
    w.u16(c.id);
    w.u32(c.font);  // a byte-sized setting stored as 32 bits
    w.u32(0);
    write_control_data(w, c);
}

// The record's size is patched in once the record is complete.
std::uint32_t write_dialog(ByteWriter& w, const Dialog& d)
{
    std::size_t start = w.size();
    w.u8(kDialogRecordStart);
    w.u16(static_cast<std::uint16_t>(d.controls.size()));
    w.u16(d.id);
    w.u32(d.flags);
    w.c_string(d.name);
    w.c_string(d.prefix);
    w.u16(static_cast<std::uint16_t>(d.callbacks.size()));
    for (const Callback& cb : d.callbacks) {
        w.c_string(cb.name);
        w.u16(cb.first);
        w.u16(cb.second);
    }
    w.u32(d.type);
    w.u32(d.background);
    w.u32(d.colour_3d);
    std::size_t size_field = w.size();
    w.u32(0);
    w.u16(d.font_index);
    for (const Control& c : d.controls)
        write_control(w, c);
    w.u16(0);  // closing value
    auto size = static_cast<std::uint32_t>(w.size() - start);
    w.patch_u32(size_field, size);
    return size;
}

// ---------------------------------------------------------------- reading

// Wraps the byte reader with the file's own messages. The first failure
// stops the read: every later field would be garbage.
class TvrReader {
public:
    TvrReader(std::span<const std::uint8_t> bytes, Ui& ui) : r_(bytes), ui_(ui) {}

    bool failed() const { return failed_; }
    std::size_t position() const { return r_.position(); }

    std::uint8_t u8() { return number<std::uint8_t>([&] { return r_.u8(); }); }
    std::uint16_t u16() { return number<std::uint16_t>([&] { return r_.u16(); }); }
    std::uint32_t u32() { return number<std::uint32_t>([&] { return r_.u32(); }); }

    std::string text()
    {
        if (failed_)
            return {};
        std::string s = r_.c_string();
        if (!r_.ok()) {
            fail("Unexpected EOF");
            return {};
        }
        if (s.size() > kTvrMaxText) {
            ui_.message("Tvr reader: string too long!");
            s.resize(kTvrMaxText);
        }
        return s;
    }

    std::vector<std::uint8_t> bytes(std::size_t count)
    {
        if (failed_)
            return {};
        auto span = r_.take(count);
        if (!r_.ok()) {
            fail("Unexpected EOF");
            return {};
        }
        return {span.begin(), span.end()};
    }

    void fail(const std::string& message)
    {
        if (!failed_)
            ui_.message(message);
        failed_ = true;
    }

private:
    template <typename T, typename Read>
    T number(Read read)
    {
        if (failed_)
            return 0;
        T value = read();
        if (!r_.ok()) {
            fail("Unexpected EOF");
            return 0;
        }
        return value;
    }

    ByteReader r_;
    Ui& ui_;
    bool failed_ = false;
};

void read_control_data(TvrReader& r, Control& c)
{
    if (c.kind >= kRect1 && c.kind <= kIcon) {
        c.raw = r.bytes(r.u16());
        return;
    }
    if (c.kind == kCommon14 || c.kind == kCommon16)
        return;
    c.symbol = r.text();
    c.callback = r.text();
    c.flags = r.u32();
    c.notify_mask = r.u32();
    c.text_colour = r.u32();
    c.font_size = r.u16();
    c.font_weight = r.u16();
    std::uint16_t links = r.u16();
    for (std::uint16_t i = 0; i < links && !r.failed(); ++i)
        c.links.push_back(r.u16());
    switch (c.kind) {
    case kButton:
        c.bitmap_up = r.text();
        c.bitmap_down = r.text();
        break;
    case kList: {
        std::uint16_t items = r.u16();
        for (std::uint16_t i = 0; i < items && !r.failed(); ++i)
            c.list_items.push_back(r.text());
        break;
    }
    case kSlider:
    case kSpin:
    case kSpinNotify:
        c.range_low = static_cast<std::int32_t>(r.u32());
        c.range_high = static_cast<std::int32_t>(r.u32());
        break;
    case kEdit:
    case kCombo:
        c.text_limit = r.u32();
        break;
    default:
        break;
    }
}

Control read_control(TvrReader& r)
{
    Control c;
    c.kind = r.u16();
    c.id = r.u16();
    c.font = static_cast<std::uint8_t>(r.u32());
    r.u32();
    if (r.failed())
        return c;
    if (c.kind > kLastControlKind) {
        r.fail(format("Tvr reader: unknown control type %d", c.kind));
        return c;
    }
    read_control_data(r, c);
    return c;
}

Dialog read_dialog(TvrReader& r, std::size_t number)
{
    Dialog d;
    std::size_t start = r.position();
    if (r.u8() != kDialogRecordStart) {
        r.fail(format("Tvr reader: dialog %d is damaged", static_cast<int>(number)));
        return d;
    }
    std::uint16_t controls = r.u16();
    d.id = r.u16();
    d.flags = r.u32();
    d.name = r.text();
    d.prefix = r.text();
    std::uint16_t callbacks = r.u16();
    for (std::uint16_t i = 0; i < callbacks && !r.failed(); ++i) {
        Callback cb;
        cb.name = r.text();
        cb.first = r.u16();
        cb.second = r.u16();
        d.callbacks.push_back(std::move(cb));
    }
    d.type = r.u32();
    d.background = r.u32();
    d.colour_3d = r.u32();
    std::uint32_t size = r.u32();
    d.font_index = r.u16();
    for (std::uint16_t i = 0; i < controls && !r.failed(); ++i)
        d.controls.push_back(read_control(r));
    r.u16();
    if (!r.failed() && size != r.position() - start)
        r.fail(format("Tvr reader: dialog %d is damaged", static_cast<int>(number)));
    return d;
}

}  // namespace

TvrImage write_tvr(const Project& p)
{
    TvrImage image;
    ByteWriter w;
    w.c_string(kTvrMarker);
    w.u16(kTvrVersion);
    w.u16(static_cast<std::uint16_t>(p.dialogs.size()));
    for (const std::string* s : {&p.name, &p.resource_file, &p.include_file, &p.directory,
                                 &p.callbacks_file, &p.c_file, &p.note})
        w.c_string(*s);
    w.u32(p.control_styles);
    w.u16(static_cast<std::uint16_t>(p.fonts.size()));
    for (const std::string& font : p.fonts)
        w.c_string(font);
    for (const Dialog& d : p.dialogs)
        image.dialog_sizes.push_back(write_dialog(w, d));
    image.bytes = w.release();
    return image;
}

std::optional<Project> read_tvr(std::span<const std::uint8_t> bytes, const std::string& file_name, Ui& ui)
{
    TvrReader r(bytes, ui);
    Project p;
    std::size_t marker_end = 0;
    while (marker_end < bytes.size() && bytes[marker_end] != 0)
        ++marker_end;
    std::string marker(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(marker_end));
    if (marker != kTvrMarker && !ui.ask(format("%s n'est pas un fichier TVR. Continuer?", file_name.c_str())))
        return std::nullopt;
    r.bytes(marker_end < bytes.size() ? marker_end + 1 : marker_end);
    r.u16();  // version
    std::uint16_t dialogs = r.u16();
    for (std::string* s : {&p.name, &p.resource_file, &p.include_file, &p.directory, &p.callbacks_file,
                           &p.c_file, &p.note})
        *s = r.text();
    p.control_styles = r.u32();
    std::uint16_t fonts = r.u16();
    p.fonts.clear();
    for (std::uint16_t i = 0; i < fonts && !r.failed(); ++i)
        p.fonts.push_back(r.text());
    if (p.fonts.empty() || p.fonts.front() != "MS Sans serif")
        p.fonts.insert(p.fonts.begin(), "MS Sans serif");
    for (std::uint16_t i = 0; i < dialogs && !r.failed(); ++i)
        p.dialogs.push_back(read_dialog(r, i + 1u));
    if (r.failed())
        return std::nullopt;
    return p;
}

std::string tvr_documentation(const Project& p, const TvrImage& image)
{
    std::string out;
    out += format("TvrVersion %d\n", kTvrVersion);
    out += format("%d dialogs\n", static_cast<int>(p.dialogs.size()));
    out += format("Project: %s\n", p.name.c_str());
    out += format("Resource File: %s\n", p.resource_file.c_str());
    out += format("Include File: %s\n", p.include_file.c_str());
    out += format("Directory: %s\n", p.directory.c_str());
    out += format("Callback File: %s\n", p.callbacks_file.c_str());
    out += format("Generated C File: %s\n", p.c_file.c_str());
    for (std::size_t i = 0; i < p.fonts.size(); ++i)
        out += format("Font[%3d]\t %s\n", static_cast<int>(i), p.fonts[i].c_str());
    for (std::size_t di = 0; di < p.dialogs.size(); ++di) {
        const Dialog& d = p.dialogs[di];
        out += std::string(70, '-') + "\n";
        out += format("\nDialog %d %s\tType %d\t %3d controls\n", d.id, d.name.empty() ? "NoLabel" : d.name.c_str(),
                      static_cast<int>(d.type), static_cast<int>(d.controls.size()));
        out += format("Flags %ld,FnPrefix '%s'\n", static_cast<long>(d.flags), d.prefix.c_str());
        out += "Callbacks:\n";
        for (const Callback& cb : d.callbacks)
            out += format("%s \t%d\t%d\n", cb.name.c_str(), cb.first, cb.second);
        std::uint32_t size = di < image.dialog_sizes.size() ? image.dialog_sizes[di] : 0;
        out += format("Dialog %d size %d\n", d.id, static_cast<int>(size));
        for (const Control& c : d.controls) {
            out += format("Control %5d\tType %d\t%s\n", c.id, c.kind, control_kind_name(c.kind));
            if (c.kind == kRect1 || c.kind == kRect2)
                out += format("Rectangle %d\n", c.id);
            if (c.kind == kGroupbox)
                out += format("Frame %d\n", c.id);
            for (std::uint16_t link : c.links)
                out += format((c.flags & kCtlUnfoldsFrame) ? "Depliant %d\n" : "Link to %d\n", link);
        }
    }
    return out;
}

bool load_project(const std::string& path, Project& project, Ui& ui)
{
    auto bytes = platform::read_file(path);
    if (!bytes) {
        ui.message(format("Impossible to open %s", path.c_str()));
        return false;
    }
    auto loaded = read_tvr(*bytes, path, ui);
    if (!loaded)
        return false;
    project = std::move(*loaded);
    return true;
}

bool save_project(const std::string& path, const Project& project, bool documentation, Ui& ui)
{
    TvrImage image = write_tvr(project);
    if (!platform::write_file_atomically(path, image.bytes)) {
        ui.message(format("Impossible to open %s", path.c_str()));
        return false;
    }
    if (!documentation)
        return true;
    std::filesystem::path doc = std::filesystem::path(path).parent_path() / "tavradoc.doc";
    std::string text = tvr_documentation(project, image);
    if (!platform::write_file_atomically(doc.string(), {text.begin(), text.end()})) {
        ui.message(format("Impossible to open %s", doc.string().c_str()));
        return false;
    }
    return true;
}

}  // namespace vyn::resedit

namespace vyn::resedit {

bool change_project_directory(const std::string& directory, Ui& ui)
{
    if (!ui.ask(format("Change working directory to %s?", directory.c_str())))
        return false;
    std::error_code ec;
    std::filesystem::current_path(directory, ec);
    if (ec) {
        ui.message("Impossible to change directory");
        return false;
    }
    return true;
}

}  // namespace vyn::resedit
