// Messages and the one way out of the program.
#include "linker/linker.h"

#include "common/winpath.h"
#include "platform/files.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace vyn::lnk {

Linker::Linker()
{
    und_section.name = "*UND*";
    com_section.name = "*COM*";
    abs_section.name = "*ABS*";
    for (InputSection* s : {&und_section, &com_section, &abs_section})
        s->pseudo = true;
}

void err(Linker& l, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::vfprintf(l.error_stream, fmt, args);
    va_end(args);
}

void out(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::vprintf(fmt, args);
    va_end(args);
}

/* Ends the process. Status 0 means "the link ran": the exit code is then the
   number of undefined-reference events, held at 255 so that it never wraps
   to a code that reads as success. Any other status is the exit code. A
   failed link leaves nothing behind: the image only ever appears whole,
   renamed into place when it is complete. */
void xexit(Linker& l, int status)
{
    if (l.end_hook)
        l.end_hook(status);
    Settings& s = l.settings;
    discard_map_file(l);
    if (!s.resource_object.empty())
        platform::remove_file(winpath::to_host(s.resource_object));
    if (status != 1 && s.verbose)
        out("Link time: %d seconds\n", static_cast<int>(std::time(nullptr) - s.start_time));
    std::fflush(stdout);
    if (l.error_stream_is_file)
        std::fclose(l.error_stream);
    else
        std::fflush(l.error_stream);
    std::exit(status != 0 ? status : std::min(l.error_count, 255));
}

/* A broken internal invariant. Numbers above 9999 are survivable checks. */
void internal_error(Linker& l, InternalCheck check)
{
    int number = static_cast<int>(check);
    err(l, "Internal linker error %d\n", number);
    if (number > 9999) {
        err(l, "Continuing...\n");
        return;
    }
    xexit(l, 1);
}

/* A map file not yet written goes with its temporary name; the map of an
   earlier link stays as it was. */
void discard_map_file(Linker& l)
{
    Settings& s = l.settings;
    if (s.map_file) {
        std::fclose(s.map_file);
        s.map_file = nullptr;
        platform::remove_file(s.map_temp_path);
    }
    s.map_temp_path.clear();
}

bool is_startup_name(std::string_view name)
{
    return name.find("vyncrt0") != std::string_view::npos || name.find("libcrt0") != std::string_view::npos;
}

}  // namespace vyn::lnk
