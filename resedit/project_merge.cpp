#include "resedit/project_merge.h"

#include <algorithm>

namespace vyn::resedit {
namespace {

void take_template(Dialog& to, const Dialog& from)
{
    to.extended = from.extended;
    to.style = from.style;
    to.ex_style = from.ex_style;
    to.help_id = from.help_id;
    to.x = from.x; to.y = from.y; to.cx = from.cx; to.cy = from.cy;
    to.menu = from.menu;
    to.window_class = from.window_class;
    to.caption = from.caption;
    to.point_size = from.point_size;
    to.weight = from.weight;
    to.italic = from.italic;
    to.charset = from.charset;
    to.face = from.face;
}

void take_template(Control& to, const Control& from)
{
    to.window_class = from.window_class;
    to.text = from.text;
    to.style = from.style;
    to.ex_style = from.ex_style;
    to.help_id = from.help_id;
    to.x = from.x; to.y = from.y; to.cx = from.cx; to.cy = from.cy;
    to.id_high = from.id_high;
    to.creation_data = from.creation_data;
}

Dialog merged(const Dialog& resource, const Dialog* record)
{
    Dialog d = record ? *record : resource;
    d.id = resource.id;
    if (!resource.name.empty())
        d.name = resource.name;
    take_template(d, resource);
    d.controls.clear();
    for (const Control& rc : resource.controls) {
        const Control* known = nullptr;
        if (record)
            for (const Control& pc : record->controls)
                if (pc.id == rc.id && pc.kind == rc.kind)
                    known = &pc;
        Control c = known ? *known : rc;
        take_template(c, rc);
        d.controls.push_back(std::move(c));
    }
    return d;
}

}  // namespace

void attach_resources(Project& project, const ResFile& file)
{
    std::vector<Dialog> dialogs;
    std::vector<bool> used(project.dialogs.size(), false);
    for (const ResRecord& rec : file.records) {
        if (!rec.dialog)
            continue;
        const Dialog& resource = *rec.dialog;
        const Dialog* record = nullptr;
        for (std::size_t i = 0; i < project.dialogs.size() && !record; ++i) {
            const Dialog& pd = project.dialogs[i];
            bool same = resource.name.empty() ? pd.id == resource.id : pd.name == resource.name;
            if (same && !used[i]) {
                record = &pd;
                used[i] = true;
            }
        }
        dialogs.push_back(merged(resource, record));
    }
    for (std::size_t i = 0; i < project.dialogs.size(); ++i)
        if (!used[i])
            dialogs.push_back(project.dialogs[i]);
    project.dialogs = std::move(dialogs);
}

}  // namespace vyn::resedit
