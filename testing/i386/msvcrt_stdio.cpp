// Streams: the standard ones (reached through _iob, as the library's
// headers reach them) and host files; character, line and block I/O; the
// printf and scanf families on top of the formatting and scanning engines.
#include "testing/i386/api.h"
#include "testing/i386/machine.h"
#include "testing/i386/msvcrt.h"

#include <algorithm>

namespace vyn::i386 {

namespace {

constexpr std::uint32_t kInputChunk = 4096;
constexpr std::uint32_t kBlockChunk = 0x10000;
constexpr std::uint32_t kFileDescriptorOffset = 16;  // FILE::_file
constexpr int kErrorNoEntry = 2;
constexpr int kErrorInvalid = 22;

// A Windows path as the host opens it: backslashes become slashes.
std::string host_path(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// The stream a FILE pointer of the program names; null, after raising the
// access violation the library would cause, for anything else.
Stream* stream_of(Machine& m, std::uint32_t file)
{
    Stream* s = find_stream(m, file);
    if (!s)
        m.raise_fault(file);
    return s;
}

bool read_input_more(Machine& m)
{
    CRuntime& crt = m.crt();
    if (crt.input_ended)
        return false;
    if (crt.input_used == crt.input.size()) {
        crt.input.clear();
        crt.input_used = 0;
    }
    std::uint8_t buffer[kInputChunk];
    std::size_t got = m.console().read_input(buffer);
    if (got == 0) {
        crt.input_ended = true;
        return false;
    }
    crt.input.append(buffer, buffer + got);
    return true;
}

// The next byte of standard input, or -1 at its end.
int input_getc(Machine& m)
{
    CRuntime& crt = m.crt();
    if (crt.input_used == crt.input.size() && !read_input_more(m))
        return -1;
    return static_cast<std::uint8_t>(crt.input[crt.input_used++]);
}

// Reads count items of size bytes into the guest at buffer; the number of
// whole items read.
std::uint32_t read_block(Machine& m, Stream& s, std::uint32_t buffer, std::uint64_t total)
{
    std::vector<std::uint8_t> bytes;
    std::uint64_t done = 0;
    while (done < total) {
        bytes.clear();
        std::uint64_t want = std::min<std::uint64_t>(kBlockChunk, total - done);
        while (bytes.size() < want && !s.pushed.empty()) {
            bytes.push_back(s.pushed.back());
            s.pushed.pop_back();
        }
        if (s.kind == Stream::Kind::File) {
            std::size_t at = bytes.size();
            bytes.resize(want);
            std::size_t got = std::fread(bytes.data() + at, 1, want - at, s.file);
            bytes.resize(at + got);
            if (got < want - at)
                (std::ferror(s.file) ? s.error : s.eof) = true;
        } else {
            while (bytes.size() < want) {
                int c = input_getc(m);
                if (c < 0) {
                    s.eof = true;
                    break;
                }
                bytes.push_back(static_cast<std::uint8_t>(c));
            }
        }
        if (!guest_write(m, buffer + static_cast<std::uint32_t>(done), bytes))
            return 0;
        done += bytes.size();
        if (bytes.size() < want)
            break;
    }
    return static_cast<std::uint32_t>(done);
}

bool print_to(Machine& m, std::uint32_t file, std::uint32_t format, std::uint32_t arguments, std::uint32_t& result)
{
    Stream* s = nullptr;
    std::string text, out;
    if (!(s = stream_of(m, file)) || !guest_string(m, format, text) || !format_text(m, text, arguments, out))
        return false;
    result = stream_write(m, *s, {reinterpret_cast<const std::uint8_t*>(out.data()), out.size()})
                 ? static_cast<std::uint32_t>(out.size())
                 : kEof;
    return true;
}

std::uint32_t print_string(Machine& m, std::uint32_t buffer, std::uint32_t format, std::uint32_t arguments)
{
    std::string text, out;
    if (!guest_string(m, format, text) || !format_text(m, text, arguments, out) || !guest_put_string(m, buffer, out))
        return 0;
    return static_cast<std::uint32_t>(out.size());
}

// _snprintf's rule: the text and a NUL when they fit; all count bytes and
// no NUL, returning -1, when the text is longer.
std::uint32_t print_counted(Machine& m, std::uint32_t buffer, std::uint32_t count, std::uint32_t format,
                            std::uint32_t arguments)
{
    std::string text, out;
    if (!guest_string(m, format, text) || !format_text(m, text, arguments, out))
        return 0;
    if (out.size() < count)
        return guest_put_string(m, buffer, out) ? static_cast<std::uint32_t>(out.size()) : 0;
    guest_write(m, buffer, std::span(reinterpret_cast<const std::uint8_t*>(out.data()), count));
    return out.size() == count ? count : kEof;
}

// snprintf's rule (C99): at most count - 1 bytes and a NUL; the length of
// the whole text.
std::uint32_t print_bounded(Machine& m, std::uint32_t buffer, std::uint32_t count, std::uint32_t format,
                            std::uint32_t arguments)
{
    std::string text, out;
    if (!guest_string(m, format, text) || !format_text(m, text, arguments, out))
        return 0;
    if (count != 0 && !guest_put_string(m, buffer, out.substr(0, count - 1)))
        return 0;
    return static_cast<std::uint32_t>(out.size());
}

struct StreamSource : ScanSource {
    Machine& m;
    Stream& s;
    StreamSource(Machine& machine, Stream& stream) : m(machine), s(stream) {}
    int next() override { return stream_getc(m, s); }
    void unget(int c) override { stream_ungetc(s, c); }
};

struct StringSource : ScanSource {
    const std::string& text;
    std::size_t at = 0;
    explicit StringSource(const std::string& t) : text(t) {}
    int next() override { return at < text.size() ? static_cast<std::uint8_t>(text[at++]) : -1; }
    void unget(int c) override
    {
        if (c >= 0 && at > 0)
            --at;
    }
};

std::uint32_t scan_stream(Machine& m, std::uint32_t file, std::uint32_t format, std::uint32_t arguments)
{
    Stream* s = nullptr;
    std::string text;
    if (!(s = stream_of(m, file)) || !guest_string(m, format, text))
        return kEof;
    StreamSource source(m, *s);
    return scan_text(m, text, source, arguments);
}

// printf(format, ...)
std::uint32_t printf_(Machine& m, const std::uint32_t* a)
{
    std::uint32_t result = kEof;
    print_to(m, standard_stream(m, 1), a[0], m.argument_address(1), result);
    return result;
}

std::uint32_t fprintf_(Machine& m, const std::uint32_t* a)
{
    std::uint32_t result = kEof;
    print_to(m, a[0], a[1], m.argument_address(2), result);
    return result;
}

std::uint32_t vprintf_(Machine& m, const std::uint32_t* a)
{
    std::uint32_t result = kEof;
    print_to(m, standard_stream(m, 1), a[0], a[1], result);
    return result;
}

std::uint32_t vfprintf_(Machine& m, const std::uint32_t* a)
{
    std::uint32_t result = kEof;
    print_to(m, a[0], a[1], a[2], result);
    return result;
}

std::uint32_t sprintf_(Machine& m, const std::uint32_t* a)
{
    return print_string(m, a[0], a[1], m.argument_address(2));
}

std::uint32_t vsprintf_(Machine& m, const std::uint32_t* a)
{
    return print_string(m, a[0], a[1], a[2]);
}

std::uint32_t snprintf_(Machine& m, const std::uint32_t* a)
{
    return print_counted(m, a[0], a[1], a[2], m.argument_address(3));
}

std::uint32_t vsnprintf_(Machine& m, const std::uint32_t* a)
{
    return print_counted(m, a[0], a[1], a[2], a[3]);
}

std::uint32_t snprintf_c99(Machine& m, const std::uint32_t* a)
{
    return print_bounded(m, a[0], a[1], a[2], m.argument_address(3));
}

std::uint32_t vsnprintf_c99(Machine& m, const std::uint32_t* a)
{
    return print_bounded(m, a[0], a[1], a[2], a[3]);
}

std::uint32_t scanf_(Machine& m, const std::uint32_t* a)
{
    return scan_stream(m, standard_stream(m, 0), a[0], m.argument_address(1));
}

std::uint32_t fscanf_(Machine& m, const std::uint32_t* a)
{
    return scan_stream(m, a[0], a[1], m.argument_address(2));
}

std::uint32_t sscanf_(Machine& m, const std::uint32_t* a)
{
    std::string input, format;
    if (!guest_string(m, a[0], input) || !guest_string(m, a[1], format))
        return kEof;
    StringSource source(input);
    return scan_text(m, format, source, m.argument_address(2));
}

// fopen(path, mode): "r", "w", "a" with "+", "b" and "t" in any order.
std::uint32_t fopen_(Machine& m, const std::uint32_t* a)
{
    std::string path, mode;
    if (!guest_string(m, a[0], path) || !guest_string(m, a[1], mode))
        return 0;
    if (mode.empty() || std::string("rwa").find(mode[0]) == std::string::npos) {
        set_errno(m, kErrorInvalid);
        return 0;
    }
    bool plus = mode.find('+') != std::string::npos;
    std::string host_mode = std::string(1, mode[0]) + (plus ? "+" : "") + "b";
    std::FILE* file = std::fopen(host_path(path).c_str(), host_mode.c_str());
    if (!file) {
        set_errno(m, kErrorNoEntry);
        return 0;
    }
    std::uint32_t object = guest_allocate(m, kFileSize);
    if (!object) {
        std::fclose(file);
        return 0;
    }
    Stream s;
    s.file = file;
    s.readable = mode[0] == 'r' || plus;
    s.writable = mode[0] != 'r' || plus;
    m.write_u32(object + kFileDescriptorOffset, static_cast<std::uint32_t>(3 + m.crt().streams.size()));
    m.crt().streams[object] = std::move(s);
    return object;
}

std::uint32_t tmpfile_(Machine& m, const std::uint32_t*)
{
    std::FILE* file = std::tmpfile();
    std::uint32_t object = file ? guest_allocate(m, kFileSize) : 0;
    if (!object) {
        if (file)
            std::fclose(file);
        return 0;
    }
    Stream s;
    s.file = file;
    s.readable = s.writable = true;
    m.crt().streams[object] = std::move(s);
    return object;
}

std::uint32_t fclose_(Machine& m, const std::uint32_t* a)
{
    Stream* s = nullptr;
    if (!(s = stream_of(m, a[0])))
        return kEof;
    if (s->kind != Stream::Kind::File)
        return 0;
    bool ok = std::fclose(s->file) == 0;
    s->file = nullptr;
    m.crt().streams.erase(a[0]);
    m.heap().free(a[0]);
    return ok ? 0 : kEof;
}

std::uint32_t fread_(Machine& m, const std::uint32_t* a)
{
    Stream* s = nullptr;
    if (!(s = stream_of(m, a[3])) || a[1] == 0 || a[2] == 0)
        return 0;
    if (!s->readable) {
        s->error = true;
        return 0;
    }
    std::uint64_t total = std::uint64_t(a[1]) * a[2];
    if (!m.writable(a[0], static_cast<std::uint32_t>(std::min<std::uint64_t>(total, 0xFFFFFFFFu)))) {
        m.raise_fault(a[0]);
        return 0;
    }
    return read_block(m, *s, a[0], total) / a[1];
}

std::uint32_t fwrite_(Machine& m, const std::uint32_t* a)
{
    Stream* s = nullptr;
    if (!(s = stream_of(m, a[3])) || a[1] == 0 || a[2] == 0)
        return 0;
    std::uint64_t total = std::uint64_t(a[1]) * a[2];
    std::vector<std::uint8_t> bytes;
    for (std::uint64_t done = 0; done < total;) {
        bytes.resize(std::min<std::uint64_t>(kBlockChunk, total - done));
        if (!guest_read(m, a[0] + static_cast<std::uint32_t>(done), bytes))
            return 0;
        if (!stream_write(m, *s, bytes))
            return static_cast<std::uint32_t>(done / a[1]);
        done += bytes.size();
    }
    return a[2];
}

// fgets(buffer, n, file): at most n - 1 bytes, up to and with a newline.
std::uint32_t fgets_(Machine& m, const std::uint32_t* a)
{
    Stream* s = nullptr;
    if (!(s = stream_of(m, a[2])) || static_cast<std::int32_t>(a[1]) <= 0)
        return 0;
    std::string line;
    while (line.size() + 1 < a[1]) {
        int c = stream_getc(m, *s);
        if (c < 0)
            break;
        line += static_cast<char>(c);
        if (c == '\n')
            break;
    }
    if (line.empty() && a[1] > 1)
        return 0;
    return guest_put_string(m, a[0], line) ? a[0] : 0;
}

std::uint32_t fputs_(Machine& m, const std::uint32_t* a)
{
    Stream* s = nullptr;
    std::string text;
    if (!(s = stream_of(m, a[1])) || !guest_string(m, a[0], text))
        return kEof;
    return stream_write(m, *s, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}) ? 0 : kEof;
}

std::uint32_t puts_(Machine& m, const std::uint32_t* a)
{
    std::string text;
    if (!guest_string(m, a[0], text))
        return kEof;
    text += '\n';
    Stream* out = find_stream(m, standard_stream(m, 1));
    return stream_write(m, *out, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}) ? 0 : kEof;
}

std::uint32_t put_char(Machine& m, std::uint32_t c, std::uint32_t file)
{
    Stream* s = nullptr;
    if (!(s = stream_of(m, file)))
        return kEof;
    std::uint8_t byte = static_cast<std::uint8_t>(c);
    return stream_write(m, *s, std::span(&byte, 1)) ? byte : kEof;
}

std::uint32_t get_char(Machine& m, std::uint32_t file)
{
    Stream* s = nullptr;
    if (!(s = stream_of(m, file)))
        return kEof;
    int c = stream_getc(m, *s);
    return c < 0 ? kEof : static_cast<std::uint32_t>(c);
}

std::uint32_t putchar_(Machine& m, const std::uint32_t* a)
{
    return put_char(m, a[0], standard_stream(m, 1));
}

std::uint32_t fputc_(Machine& m, const std::uint32_t* a)
{
    return put_char(m, a[0], a[1]);
}

std::uint32_t getchar_(Machine& m, const std::uint32_t*)
{
    return get_char(m, standard_stream(m, 0));
}

std::uint32_t fgetc_(Machine& m, const std::uint32_t* a)
{
    return get_char(m, a[0]);
}

std::uint32_t ungetc_(Machine& m, const std::uint32_t* a)
{
    Stream* s = nullptr;
    if (a[0] == kEof || !(s = stream_of(m, a[1])))
        return kEof;
    stream_ungetc(*s, static_cast<std::uint8_t>(a[0]));
    return static_cast<std::uint8_t>(a[0]);
}

std::uint32_t fseek_(Machine& m, const std::uint32_t* a)
{
    Stream* s = nullptr;
    if (!(s = stream_of(m, a[0])))
        return kEof;
    if (s->kind != Stream::Kind::File || a[2] > 2) {
        set_errno(m, kErrorInvalid);
        return kEof;
    }
    long offset = static_cast<std::int32_t>(a[1]);
    if (a[2] == SEEK_CUR)
        offset -= static_cast<long>(s->pushed.size());
    s->pushed.clear();
    s->eof = false;
    return std::fseek(s->file, offset, static_cast<int>(a[2])) == 0 ? 0 : kEof;
}

std::uint32_t ftell_(Machine& m, const std::uint32_t* a)
{
    Stream* s = nullptr;
    if (!(s = stream_of(m, a[0])))
        return kEof;
    if (s->kind != Stream::Kind::File)
        return kEof;
    long at = std::ftell(s->file);
    return at < 0 ? kEof : static_cast<std::uint32_t>(at - static_cast<long>(s->pushed.size()));
}

std::uint32_t rewind_(Machine& m, const std::uint32_t* a)
{
    Stream* s = nullptr;
    if ((s = stream_of(m, a[0])) && s->kind == Stream::Kind::File) {
        s->pushed.clear();
        s->eof = s->error = false;
        std::rewind(s->file);
    }
    return 0;
}

std::uint32_t fflush_(Machine& m, const std::uint32_t* a)
{
    if (a[0] == 0) {
        for (auto& [address, s] : m.crt().streams)
            if (s.file)
                std::fflush(s.file);
        return 0;
    }
    Stream* s = nullptr;
    if (!(s = stream_of(m, a[0])))
        return kEof;
    return s->file && std::fflush(s->file) != 0 ? kEof : 0;
}

std::uint32_t feof_(Machine& m, const std::uint32_t* a)
{
    Stream* s = nullptr;
    return (s = stream_of(m, a[0])) && s->eof ? 0x10 : 0;
}

std::uint32_t ferror_(Machine& m, const std::uint32_t* a)
{
    Stream* s = nullptr;
    return (s = stream_of(m, a[0])) && s->error ? 0x20 : 0;
}

std::uint32_t clearerr_(Machine& m, const std::uint32_t* a)
{
    Stream* s = nullptr;
    if ((s = stream_of(m, a[0])))
        s->eof = s->error = false;
    return 0;
}

std::uint32_t remove_(Machine& m, const std::uint32_t* a)
{
    std::string path;
    if (!guest_string(m, a[0], path))
        return kEof;
    if (std::remove(host_path(path).c_str()) == 0)
        return 0;
    set_errno(m, kErrorNoEntry);
    return kEof;
}

std::uint32_t rename_(Machine& m, const std::uint32_t* a)
{
    std::string from, to;
    if (!guest_string(m, a[0], from) || !guest_string(m, a[1], to))
        return kEof;
    if (std::rename(host_path(from).c_str(), host_path(to).c_str()) == 0)
        return 0;
    set_errno(m, kErrorNoEntry);
    return kEof;
}

std::uint32_t iob_func(Machine& m, const std::uint32_t*)
{
    return standard_stream(m, 0);
}

std::uint32_t acrt_iob_func(Machine& m, const std::uint32_t* a)
{
    return a[0] < 3 ? standard_stream(m, static_cast<int>(a[0])) : 0;
}

// setvbuf and setbuf: the streams are unbuffered on our side already.
std::uint32_t setvbuf_(Machine& m, const std::uint32_t* a)
{
    Stream* s = nullptr;
    return (s = stream_of(m, a[0])) ? 0 : kEof;
}

std::uint32_t fileno_(Machine& m, const std::uint32_t* a)
{
    std::uint32_t descriptor = kEof;
    if (find_stream(m, a[0]) && m.read_u32(a[0] + kFileDescriptorOffset, descriptor))
        return descriptor;
    set_errno(m, kErrorInvalid);
    return kEof;
}

constexpr Convention C = Convention::Cdecl;
constexpr ApiFunction kFunctions[] = {
    {"msvcrt.dll", "printf", 1, printf_, C},
    {"msvcrt.dll", "fprintf", 2, fprintf_, C},
    {"msvcrt.dll", "sprintf", 2, sprintf_, C},
    {"msvcrt.dll", "_snprintf", 3, snprintf_, C},
    {"msvcrt.dll", "vprintf", 2, vprintf_, C},
    {"msvcrt.dll", "vfprintf", 3, vfprintf_, C},
    {"msvcrt.dll", "vsprintf", 3, vsprintf_, C},
    {"msvcrt.dll", "_vsnprintf", 4, vsnprintf_, C},
    {"msvcrt.dll", "snprintf", 3, snprintf_c99, C},
    {"msvcrt.dll", "vsnprintf", 4, vsnprintf_c99, C},
    {"msvcrt.dll", "scanf", 1, scanf_, C},
    {"msvcrt.dll", "fscanf", 2, fscanf_, C},
    {"msvcrt.dll", "sscanf", 2, sscanf_, C},
    {"msvcrt.dll", "fopen", 2, fopen_, C},
    {"msvcrt.dll", "fclose", 1, fclose_, C},
    {"msvcrt.dll", "fread", 4, fread_, C},
    {"msvcrt.dll", "fwrite", 4, fwrite_, C},
    {"msvcrt.dll", "fgets", 3, fgets_, C},
    {"msvcrt.dll", "fputs", 2, fputs_, C},
    {"msvcrt.dll", "puts", 1, puts_, C},
    {"msvcrt.dll", "putchar", 1, putchar_, C},
    {"msvcrt.dll", "getchar", 0, getchar_, C},
    {"msvcrt.dll", "fgetc", 1, fgetc_, C},
    {"msvcrt.dll", "getc", 1, fgetc_, C},
    {"msvcrt.dll", "fputc", 2, fputc_, C},
    {"msvcrt.dll", "putc", 2, fputc_, C},
    {"msvcrt.dll", "ungetc", 2, ungetc_, C},
    {"msvcrt.dll", "fseek", 3, fseek_, C},
    {"msvcrt.dll", "ftell", 1, ftell_, C},
    {"msvcrt.dll", "rewind", 1, rewind_, C},
    {"msvcrt.dll", "fflush", 1, fflush_, C},
    {"msvcrt.dll", "feof", 1, feof_, C},
    {"msvcrt.dll", "ferror", 1, ferror_, C},
    {"msvcrt.dll", "clearerr", 1, clearerr_, C},
    {"msvcrt.dll", "remove", 1, remove_, C},
    {"msvcrt.dll", "rename", 2, rename_, C},
    {"msvcrt.dll", "tmpfile", 0, tmpfile_, C},
    {"msvcrt.dll", "__iob_func", 0, iob_func, C},
    {"msvcrt.dll", "__acrt_iob_func", 1, acrt_iob_func, C},
    {"msvcrt.dll", "setvbuf", 4, setvbuf_, C},
    {"msvcrt.dll", "setbuf", 2, setvbuf_, C},
    {"msvcrt.dll", "_fileno", 1, fileno_, C},
};

}  // namespace

// The stream table holds stdin, stdout and stderr in its first entries.
std::uint32_t standard_stream(Machine& m, int index)
{
    CRuntime& crt = m.crt();
    if (!crt.stream_table) {
        crt.stream_table = guest_allocate(m, kStreamTableEntries * kFileSize);
        if (!crt.stream_table)
            return 0;
        const Stream::Kind kinds[] = {Stream::Kind::Input, Stream::Kind::Output, Stream::Kind::Error};
        for (std::uint32_t i = 0; i < 3; ++i) {
            Stream s;
            s.kind = kinds[i];
            s.readable = i == 0;
            s.writable = i != 0;
            std::uint32_t object = crt.stream_table + i * kFileSize;
            m.write_u32(object + kFileDescriptorOffset, i);
            crt.streams[object] = std::move(s);
        }
    }
    return crt.stream_table + static_cast<std::uint32_t>(index) * kFileSize;
}

Stream* find_stream(Machine& m, std::uint32_t file)
{
    standard_stream(m, 0);
    auto it = m.crt().streams.find(file);
    return it == m.crt().streams.end() ? nullptr : &it->second;
}

bool stream_write(Machine& m, Stream& s, std::span<const std::uint8_t> bytes)
{
    if (!s.writable) {
        s.error = true;
        return false;
    }
    bool ok = true;
    if (s.kind == Stream::Kind::File) {
        s.pushed.clear();
        ok = std::fwrite(bytes.data(), 1, bytes.size(), s.file) == bytes.size();
    } else {
        ok = m.console().write(s.kind == Stream::Kind::Error ? StdStream::Error : StdStream::Output, bytes);
    }
    s.error = s.error || !ok;
    return ok;
}

int stream_getc(Machine& m, Stream& s)
{
    if (!s.pushed.empty()) {
        int c = s.pushed.back();
        s.pushed.pop_back();
        return c;
    }
    if (!s.readable) {
        s.error = true;
        return -1;
    }
    int c = s.kind == Stream::Kind::File ? std::fgetc(s.file) : input_getc(m);
    if (c < 0) {
        if (s.kind == Stream::Kind::File && std::ferror(s.file))
            s.error = true;
        else
            s.eof = true;
    }
    return c;
}

void stream_ungetc(Stream& s, int c)
{
    if (c < 0)
        return;
    s.pushed.push_back(static_cast<std::uint8_t>(c));
    s.eof = false;
}

std::span<const ApiFunction> msvcrt_stdio_functions()
{
    return kFunctions;
}

}  // namespace vyn::i386
