// The makefile's text, line by line, from a completed project record.
#include "ide/project/makefile_generator.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "platform/files.h"

namespace vyn::project {

using vyn::format;
namespace winpath = vyn::winpath;

namespace {

bool has_separator(const std::string& file) { return winpath::last_separator(file) != std::string::npos; }

// The extension after the last dot, lower case, without the dot; nothing
// for a name without a dot.
std::optional<std::string> last_extension(const std::string& file)
{
    std::string_view base = winpath::base_name(file);
    std::size_t dot = base.rfind('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    return vyn::to_lower_ascii(base.substr(dot + 1));
}

// The text after the first dot of the name, lower case.
std::string first_extension(const std::string& file)
{
    std::string_view base = winpath::base_name(file);
    std::size_t dot = base.find('.');
    return dot == std::string_view::npos ? std::string() : vyn::to_lower_ascii(base.substr(dot + 1));
}

std::string res_name(const std::string& file)
{
    return vyn::to_lower_ascii(winpath::replace_extension(winpath::base_name(file), ".res"));
}

class MakefileWriter {
public:
    MakefileWriter(Project& p, MakefileHooks& hooks) : p_(p), hooks_(hooks)
    {
        for (const std::string& file : p.files) {
            auto ext = last_extension(file);
            if (ext && (*ext == "rc" || *ext == "res")) {
                first_resource_ = &file;
                break;
            }
        }
        first_resource_is_res_ = first_resource_ && *last_extension(*first_resource_) == "res";
    }

    bool write()
    {
        out_ += format("# Tavra Makefile for project %s\n", p_.name.c_str());
        out_ += format("CFLAGS=%s\n", compiler_switches(p_).c_str());
        out_ += format("CC=%s\\bin\\vyn.exe\n", p_.compiler_root.c_str());
        if (!write_objects())
            return false;
        add_fortran_library();
        out_ += format("\nLIBS=%s\n", p_.libraries.c_str());
        complete_executable_name();
        write_target();
        for (const std::string& file : p_.files)
            if (winpath::base_name(file).find('.') != std::string_view::npos) {
                if (hooks_.progress)
                    hooks_.progress(file);
                write_rule(file);
            }
        out_ += "\n";
        return true;
    }

    std::string& text() { return out_; }

private:
    // The source as rules name it: the sources directory (lower case) in
    // front of a name without a directory.
    std::string source_path(const std::string& file) const
    {
        if (has_separator(file))
            return file;
        return format("%s\\%s", vyn::to_lower_ascii(p_.sources_dir).c_str(), file.c_str());
    }

    const FileProcessor* processor_for(const std::string& file) const
    {
        std::string full = vyn::to_upper_ascii(source_path(file));
        for (const FileProcessor& fp : p_.file_processors)
            if (vyn::to_upper_ascii(source_path(fp.input)) == full)
                return &fp;
        return nullptr;
    }

    // The OBJS entry of one file, nothing when it is not listed; false when
    // the user cancelled the definition of an unknown type.
    bool object_entry(const std::string& file, std::optional<std::string>& entry)
    {
        auto ext = last_extension(file);
        if (!ext)
            return true;
        if (*ext == "c" || *ext == "asm" || *ext == "f") {
            entry = object_name(file);
            fortran_ = fortran_ || *ext == "f";
        } else if (*ext == "rc" || *ext == "res") {
            if (&file != first_resource_)
                hooks_.ui.inform(format("You have already defined resources for this project.\n%s will be ignored",
                                        file.c_str()));
            else if (*ext == "rc")
                entry = res_name(file);
            else
                entry = has_separator(file) ? vyn::to_lower_ascii(winpath::base_name(file)) : source_path(file);
        } else if (*ext == "obj") {
            entry = vyn::to_lower_ascii(winpath::base_name(file));
        } else if (*ext != "def" && *ext != "h" && !processor_for(file)) {
            hooks_.ui.inform(format("I do not know how to handle %s\nPlease define how it should be handled in the "
                                    "makefile",
                                    file.c_str()));
            auto defined = hooks_.define_processor ? hooks_.define_processor(file) : std::nullopt;
            if (!defined) {
                hooks_.ui.error("Cannot generate the makefile");
                return false;
            }
            p_.file_processors.push_back(*defined);
        }
        return true;
    }

    bool write_objects()
    {
        out_ += "OBJS=\\\n";
        for (std::size_t i = 0; i < p_.files.size(); ++i) {
            std::optional<std::string> entry;
            if (!object_entry(p_.files[i], entry))
                return false;
            if (entry)
                out_ += format(i + 1 < p_.files.size() ? "\t%s \\\n" : "\t%s\n", entry->c_str());
        }
        return true;
    }

    void add_fortran_library()
    {
        for (const std::string& file : p_.files)
            fortran_ = fortran_ || last_extension(file) == "f";
        if (!fortran_)
            return;
        if (p_.libraries.empty())
            p_.libraries = "libf77.lib";
        else if (vyn::to_lower_ascii(p_.libraries).find("libf77.lib") == std::string::npos)
            p_.libraries += " libf77.lib";
    }

    void complete_executable_name()
    {
        const char* extension = type_extension(project_type(p_.compiler_flags));
        if (p_.exe.empty()) {
            p_.exe = std::string(winpath::base_name(p_.name));
            if (p_.exe.find('.') == std::string::npos)
                p_.exe += extension;
        } else if (p_.exe.find('.') == std::string::npos) {
            p_.exe += extension;
        }
    }

    void write_target()
    {
        out_ += format("\n%s:\t$(OBJS) Makefile\n", p_.exe.c_str());
        const char* root = p_.compiler_root.c_str();
        if (p_.compiler_flags & flag::kStaticLibrary)
            out_ += format("\t%s\\bin\\vynlib /OUT:%s $(OBJS)\n", root,
                           winpath::replace_extension(p_.exe, ".lib").c_str());
        else
            out_ += format("\t%s\\bin\\vynlnk %s -o %s $(OBJS) $(LIBS)\n", root,
                           link_switches(p_, hooks_.ui).c_str(), p_.exe.c_str());
    }

    void write_rule(const std::string& file)
    {
        if (const FileProcessor* fp = processor_for(file)) {
            out_ += format("%s:\t%s\n\t%s\n", vyn::to_lower_ascii(fp->output).c_str(),
                           vyn::to_lower_ascii(fp->input).c_str(), vyn::to_lower_ascii(fp->command).c_str());
            return;
        }
        std::string ext = first_extension(file);
        if (ext == "h" || ext == "obj" || ext == "res" || ext == "def")
            return;
        if (ext == "rc") {
            if (!first_resource_is_res_)
                write_resource_rule(file);
            return;
        }
        std::string source = source_path(file);
        if (ext == "asm" || ext == "f") {
            out_ += format("\n%s: %s\n", object_name(file).c_str(), source.c_str());
        } else {
            out_ += format("\n# Build %s\n", std::string(winpath::base_name(file)).c_str());
            std::string macro = dependency_macro(file);
            out_ += format("%s=\\\n", macro.c_str());
            for (const std::string& line : scan(file))
                out_ += format("\t%s\\\n", line.c_str());
            out_ += "\n";
            out_ += format("%s: $(%s) %s\n", object_name(file).c_str(), macro.c_str(), source.c_str());
        }
        if (ext == "f")
            out_ += format("\t$(F2C) $(FFLAGS) %s\n", source.c_str());
        else
            out_ += format("\t$(CC) -c $(CFLAGS) %s\n", source.c_str());
    }

    void write_resource_rule(const std::string& file)
    {
        std::string res = res_name(file);
        std::string sources = vyn::to_lower_ascii(p_.sources_dir);
        out_ += format("\n# Build %s\n", res.c_str());
        if (has_separator(file)) {
            out_ += vyn::to_lower_ascii(format("%s:\t%s", res.c_str(), file.c_str())) + "\n";
            out_ += format("\tvrc -I%s %s\n", sources.c_str(), file.c_str());
        } else {
            out_ += vyn::to_lower_ascii(format("%s:\t%s\\%s", res.c_str(), sources.c_str(), file.c_str())) + "\n";
            out_ += format("\tvrc -I%s %s\\%s\n", sources.c_str(), sources.c_str(), file.c_str());
        }
    }

    // The headers of one C source; nothing once a scan has failed.
    std::vector<std::string> scan(const std::string& file)
    {
        if (scan_failed_ || !vyn::platform::file_exists(winpath::to_host(source_path(file))))
            return {};
        std::string command = dependency_command(p_, file);
        DependencyScanner::Result result = hooks_.scanner.scan(command);
        if (result.ok)
            return result.lines;
        hooks_.ui.error(format("Impossible to execute\n%s\nto find out the dependencies.\nError code %ld",
                               command.c_str(), result.error_code));
        scan_failed_ = true;
        return {};
    }

    Project& p_;
    MakefileHooks& hooks_;
    std::string out_;
    const std::string* first_resource_ = nullptr;
    bool first_resource_is_res_ = false;
    bool fortran_ = false;
    bool scan_failed_ = false;
};

}  // namespace

std::optional<std::string> makefile_text(Project& project, MakefileHooks& hooks, std::string* partial)
{
    MakefileWriter writer(project, hooks);
    if (!writer.write()) {
        if (partial)
            *partial = writer.text();
        return std::nullopt;
    }
    return std::move(writer.text());
}

}  // namespace vyn::project
