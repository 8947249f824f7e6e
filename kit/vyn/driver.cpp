// The driver's top level: a flat list of named steps per source.
#include "kit/vyn/driver.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "kit/vyn/clang_command.h"
#include "kit/vyn/convert/object_converter.h"
#include "kit/vyn/dependencies.h"
#include "kit/vyn/diagnostics.h"
#include "platform/files.h"
#include "platform/registry.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace vyn::cc {

namespace {

void say(const std::string& text)
{
    std::fputs(text.c_str(), stderr);
}

/* The kit's C and Win32 headers, as a path of the user's side: VYN_INCLUDE,
   else the compiler's include path in the registry, else "include" beside
   the directory of vyn itself, else (on Linux) the Debian mingw-w64 headers. */
std::string kit_include_dir()
{
    if (const char* set = std::getenv("VYN_INCLUDE"); set && *set)
        return set;
    if (auto registry = platform::open_registry())
        if (auto value = registry->read_string(platform::RegistryRoot::CurrentUser, "Software\\vyn\\Compiler",
                                               "includepath");
            value && !value->empty())
            return *value;
    std::string bin = winpath::directory(platform::executable_path());
    std::string beside = winpath::join(winpath::directory(bin), "include");
    if (platform::directory_exists(winpath::to_host(beside)))
        return beside;
#ifndef _WIN32
    if (platform::directory_exists("/usr/share/mingw-w64/include"))
        return "/usr/share/mingw-w64/include";
#endif
    return "";
}

ClangInputs inputs_for(const Options& o, const std::string& source, Host& host)
{
    ClangInputs in;
    in.source = host.to_host(source);
    std::string include = kit_include_dir();
    in.include_dir = include.empty() ? "" : host.to_host(include);
    for (const std::string& dir : o.includes)
        in.includes.push_back(host.to_host(dir));
    return in;
}

/* Runs clang and shows its diagnostics in the IDE's form; true when it
   succeeded. */
bool run_and_report(Host& host, const std::vector<std::string>& args, const Options& o)
{
    ClangRun run = host.run_clang(args, o.verbose);
    say(rewrite_diagnostics(run.stderr_text, [&](const std::string& p) { return host.to_user(p); }));
    if (!run.exit_code) {
        say(format("vyn: cannot run the compiler %s: %s\n", clang_program().c_str(), run.error.c_str()));
        return false;
    }
    return *run.exit_code == 0;
}

std::string local_name(const std::string& source, const char* extension)
{
    return winpath::replace_extension(winpath::base_name(source), extension);
}

/* -M: the headers source includes, one full path a line, into the -Fo file
   (standard output without one). */
bool scan_dependencies(const Options& o, const std::string& source, Host& host, std::string& list)
{
    std::string rule = platform::temporary_file_name("", "vyndep");
    bool ok = run_and_report(host, dependency_arguments(o, inputs_for(o, source, host), host.to_host(rule)), o);
    auto text = platform::read_file(rule);
    platform::remove_file(rule);
    if (!ok)
        return false;
    if (!text) {
        say(format("vyn: the compiler wrote no dependency list for %s\n", source.c_str()));
        return false;
    }
    auto headers = parse_dependency_rule(std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
    list += dependency_list(headers, [&](const std::string& p) { return host.to_user(p); });
    return true;
}

bool write_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    if (platform::write_file_atomically(winpath::to_host(path), bytes))
        return true;
    say(format("vyn: cannot write %s\n", path.c_str()));
    return false;
}

/* -c: clang's object, its CodeView converted, written as the object. */
bool compile(const Options& o, const std::string& source, Host& host)
{
    std::string object = o.output.empty() ? local_name(source, ".obj") : o.output;
    std::string directory = winpath::directory(object);
    std::string temp = platform::temporary_file_name(directory.empty() ? "." : winpath::to_host(directory), "vyn");
    bool ok = run_and_report(host, object_arguments(o, inputs_for(o, source, host), host.to_host(temp)), o);
    auto bytes = ok ? platform::read_file(temp) : std::nullopt;
    platform::remove_file(temp);
    if (!ok)
        return false;
    if (!bytes) {
        say(format("vyn: the compiler left no object for %s\n", source.c_str()));
        return false;
    }
    std::string user_source = host.full_path(source);
    std::string clang_source = host.to_host(source);
    if (!winpath::is_absolute(clang_source))
        clang_source = std::filesystem::absolute(clang_source).lexically_normal().string();
    auto started = std::chrono::steady_clock::now();
    ConversionResult converted = convert_object(*bytes, {user_source, clang_source});
    if (o.verbose)
        say(format("vyn: conversion of %s took %.3f s\n", source.c_str(),
                   std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count()));
    for (const std::string& warning : converted.warnings)
        say(format("Warning %s: 1: %s\n", user_source.c_str(), warning.c_str()));
    if (!converted.object) {
        say(format("vyn: %s: %s\n", source.c_str(), converted.error.c_str()));
        return false;
    }
    return write_bytes(object, *converted.object);
}

/* -S and -z: the listings beside the object, named after the source. */
bool write_listings(const Options& o, const std::string& source, Host& host)
{
    bool ok = true;
    if (o.assembly)
        ok = run_and_report(host,
                            listing_arguments(o, inputs_for(o, source, host),
                                              host.to_host(local_name(source, ".asm")), false),
                            o) && ok;
    if (o.intermediate)
        ok = run_and_report(host,
                            listing_arguments(o, inputs_for(o, source, host),
                                              host.to_host(local_name(source, ".il")), true),
                            o) && ok;
    return ok;
}

}  // namespace

int run_vyn(const std::vector<std::string>& args, Host& host)
{
    ParseResult parsed = parse_options(args);
    if (!parsed.options) {
        if (!parsed.error.empty())
            say("vyn: " + parsed.error + "\n");
        say(usage_text());
        return parsed.error.empty() ? 0 : 2;
    }
    const Options& o = *parsed.options;
    bool ok = true;
    if (o.dependencies) {
        std::string list;
        for (const std::string& source : o.sources)
            ok = scan_dependencies(o, source, host, list) && ok;
        if (ok && !o.output.empty())
            ok = write_bytes(o.output, std::vector<std::uint8_t>(list.begin(), list.end()));
        else if (ok)
            std::fputs(list.c_str(), stdout);
        return ok ? 0 : 1;
    }
    for (const std::string& source : o.sources) {
        ok = compile(o, source, host) && ok;
        if (o.assembly || o.intermediate)
            ok = write_listings(o, source, host) && ok;
    }
    return ok ? 0 : 1;
}

}  // namespace vyn::cc
