#include "resedit/dialog_template.h"

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "common/strings.h"
#include "resedit/utf16.h"

namespace vyn::resedit {
namespace {

NameOrId read_name_or_id(ByteReader& r)
{
    NameOrId n;
    std::uint16_t first = r.u16();
    if (!r.ok() || first == 0)
        return n;
    if (first == 0xFFFF) {
        n.is_ordinal = true;
        n.ordinal = r.u16();
        return n;
    }
    r.seek(r.position() - 2);
    n.text = read_utf16z(r);
    return n;
}

void write_name_or_id(ByteWriter& w, const NameOrId& n)
{
    if (n.is_ordinal) {
        w.u16(0xFFFF);
        w.u16(n.ordinal);
    } else {
        write_utf16z(w, n.text);
    }
}

bool has_font(const Dialog& d) { return (d.style & DS_SETFONT) != 0; }

bool read_control(ByteReader& r, bool extended, Control& c)
{
    r.align(4);
    if (extended) {
        c.help_id = r.u32();
        c.ex_style = r.u32();
        c.style = r.u32();
    } else {
        c.style = r.u32();
        c.ex_style = r.u32();
    }
    c.x = r.i16();
    c.y = r.i16();
    c.cx = r.i16();
    c.cy = r.i16();
    c.id = r.u16();
    if (extended)
        c.id_high = r.u16();
    c.window_class = read_name_or_id(r);
    c.text = read_name_or_id(r);
    std::uint16_t extra = r.u16();
    auto data = r.take(extra);
    c.creation_data.assign(data.begin(), data.end());
    c.kind = control_kind_of(c.window_class, c.style);
    return r.ok();
}

void write_control(ByteWriter& w, bool extended, const Control& c)
{
    w.align(4);
    if (extended) {
        w.u32(c.help_id);
        w.u32(c.ex_style);
        w.u32(c.style);
    } else {
        w.u32(c.style);
        w.u32(c.ex_style);
    }
    for (std::int16_t v : {c.x, c.y, c.cx, c.cy})
        w.u16(static_cast<std::uint16_t>(v));
    w.u16(c.id);
    if (extended)
        w.u16(c.id_high);
    write_name_or_id(w, c.window_class);
    write_name_or_id(w, c.text);
    w.u16(static_cast<std::uint16_t>(c.creation_data.size()));
    w.bytes(c.creation_data);
}

}  // namespace

std::uint16_t control_kind_of(const NameOrId& cls, std::uint32_t style)
{
    if (cls.is_ordinal) {
        std::uint32_t type = style & 0xF;
        switch (cls.ordinal) {
        case kClassButton:
            if (type == 7)
                return kGroupbox;
            if (type == 2 || type == 3 || type == 5 || type == 6)
                return kCheckbox;
            if (type == 4 || type == 9)
                return kRadiobutton;
            return kButton;
        case kClassEdit: return kEdit;
        case kClassStatic:
            if (type == 3)
                return kIcon;
            if (type >= 4 && type <= 6)
                return kRect1;
            if (type >= 7 && type <= 9)
                return kRect2;
            return kText;
        case kClassListBox: return kList;
        case kClassScrollBar: return (style & 1) ? kVScroll : kHScroll;
        case kClassComboBox: return kCombo;
        default: return kCustom;
        }
    }
    struct Named { const char* name; std::uint16_t kind; };
    static const Named named[] = {
        {"Button", kButton}, {"Edit", kEdit}, {"Static", kText}, {"ListBox", kList}, {"ComboBox", kCombo},
        {"SysListView32", kListview}, {"SysTreeView32", kTree}, {"msctls_updown32", kSpin},
        {"msctls_trackbar32", kSlider}, {"msctls_progress32", kCommon14}, {"SysTabControl32", kCommon16},
    };
    for (const Named& n : named)
        if (equals_nocase(cls.text, n.name))
            return n.kind == kButton || n.kind == kText
                       ? control_kind_of(NameOrId{true, n.kind == kButton ? kClassButton : kClassStatic, {}}, style)
                       : n.kind;
    return kCustom;
}

bool parse_dialog_template(std::span<const std::uint8_t> data, Dialog& d)
{
    ByteReader r(data);
    std::uint16_t count = 0;
    if (data.size() >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF) {
        d.extended = true;
        r.skip(4);
        d.help_id = r.u32();
        d.ex_style = r.u32();
        d.style = r.u32();
    } else {
        d.extended = false;
        d.style = r.u32();
        d.ex_style = r.u32();
    }
    count = r.u16();
    d.x = r.i16();
    d.y = r.i16();
    d.cx = r.i16();
    d.cy = r.i16();
    d.menu = read_name_or_id(r);
    d.window_class = read_name_or_id(r);
    d.caption = read_utf16z(r);
    if (has_font(d)) {
        d.point_size = r.u16();
        if (d.extended) {
            d.weight = r.u16();
            d.italic = r.u8();
            d.charset = r.u8();
        }
        d.face = read_utf16z(r);
    }
    if (!r.ok())
        return false;
    d.controls.clear();
    for (std::uint16_t i = 0; i < count; ++i) {
        Control c;
        if (!read_control(r, d.extended, c))
            return false;
        d.controls.push_back(std::move(c));
    }
    return r.ok();
}

std::vector<std::uint8_t> write_dialog_template(const Dialog& d)
{
    ByteWriter w;
    if (d.extended) {
        w.u16(1);
        w.u16(0xFFFF);
        w.u32(d.help_id);
        w.u32(d.ex_style);
        w.u32(d.style);
    } else {
        w.u32(d.style);
        w.u32(d.ex_style);
    }
    w.u16(static_cast<std::uint16_t>(d.controls.size()));
    for (std::int16_t v : {d.x, d.y, d.cx, d.cy})
        w.u16(static_cast<std::uint16_t>(v));
    write_name_or_id(w, d.menu);
    write_name_or_id(w, d.window_class);
    write_utf16z(w, d.caption);
    if (has_font(d)) {
        w.u16(d.point_size);
        if (d.extended) {
            w.u16(d.weight);
            w.u8(d.italic);
            w.u8(d.charset);
        }
        write_utf16z(w, d.face);
    }
    for (const Control& c : d.controls)
        write_control(w, d.extended, c);
    return w.release();
}

}  // namespace vyn::resedit
