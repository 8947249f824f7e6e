#include "plugins/tests/vsthost_run.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace vyn::fxtest {

std::vector<unsigned char> read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<float> read_floats(const std::string& path)
{
    std::vector<unsigned char> bytes = read_bytes(path);
    std::vector<float> samples(bytes.size() / 4);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        std::uint32_t bits = bytes[4 * i] | (bytes[4 * i + 1] << 8) | (bytes[4 * i + 2] << 16) |
                             (static_cast<std::uint32_t>(bytes[4 * i + 3]) << 24);
        std::memcpy(&samples[i], &bits, 4);
    }
    return samples;
}

void write_floats(const std::string& path, const std::vector<float>& samples)
{
    std::vector<unsigned char> bytes;
    for (float sample : samples) {
        std::uint32_t bits;
        std::memcpy(&bits, &sample, 4);
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<unsigned char>(bits >> shift));
    }
    write_bytes(path, bytes);
}

std::optional<std::string> parameter_field(const std::string& out, int index, const std::string& field)
{
    std::istringstream lines(out);
    std::string prefix = "parameter " + std::to_string(index) + " ";
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(prefix, 0) != 0)
            continue;
        std::string key = " " + field + " ";
        std::size_t at = line.find(key);
        if (at == std::string::npos)
            return std::nullopt;
        std::size_t start = at + key.size();
        if (line[start] == '[') {
            // Bracketed texts run to the "] " before the next field, or the line's end.
            std::size_t end = line.find("] ", start);
            if (end == std::string::npos)
                end = line.size() - 1;
            return line.substr(start + 1, end - start - 1);
        }
        std::size_t end = line.find(' ', start);
        return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    return std::nullopt;
}

std::optional<std::string> heading(const std::string& out, const std::string& name)
{
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(name, 0) == 0 && line.size() > 12 && line[name.size()] == ' ')
            return line.substr(12);
    }
    return std::nullopt;
}

std::vector<std::string> shows(const std::string& out)
{
    std::vector<std::string> sections;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("plug-in ", 0) == 0)
            sections.emplace_back();
        if (!sections.empty())
            sections.back() += line + "\n";
    }
    return sections;
}

std::vector<long> dispatch_results(const std::string& out)
{
    std::vector<long> results;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::size_t arrow = line.find(" -> ");
        if (line.rfind("dispatch ", 0) == 0 && arrow != std::string::npos)
            results.push_back(std::stol(line.substr(arrow + 4)));
    }
    return results;
}

}  // namespace vyn::fxtest
