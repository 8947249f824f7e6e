// The PNG file is checked by an independent decoder (python3's zlib), the
// CRC against its published check value.
#include "testing/guidriver/png_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

TEST(PngWriter, CrcMatchesThePublishedCheckValue)
{
    const char* check = "123456789";
    EXPECT_EQ(vyn::gui::crc32(reinterpret_cast<const std::uint8_t*>(check), 9), 0xCBF43926u);
}

TEST(PngWriter, ADecoderReadsBackEveryPixel)
{
    // 300 x 100 makes the image data span several stored blocks.
    const std::uint32_t width = 300, height = 100;
    std::vector<std::uint8_t> rgb;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            rgb.insert(rgb.end(), {std::uint8_t(x), std::uint8_t(y), std::uint8_t(x ^ y)});
    auto png = vyn::gui::encode_png(width, height, rgb);
    std::string dir = std::getenv("VYN_TEST_TMP") ? std::getenv("VYN_TEST_TMP") : "/tmp";
    std::string path = dir + "/png_writer_test.png";
    std::filesystem::create_directories(dir);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));

    // Inflate IDAT with python's zlib, check each chunk's CRC and sum the pixels.
    std::string script =
        "import zlib,struct,sys\n"
        "d=open(sys.argv[1],'rb').read(); p=8; idat=b''\n"
        "while p<len(d):\n"
        " n,=struct.unpack('>I',d[p:p+4]); t=d[p+4:p+8]; c=d[p+8:p+8+n]\n"
        " assert struct.unpack('>I',d[p+8+n:p+12+n])[0]==zlib.crc32(t+c)\n"
        " if t==b'IHDR': w,h=struct.unpack('>II',c[:8])\n"
        " if t==b'IDAT': idat+=c\n"
        " p+=12+n\n"
        "raw=zlib.decompress(idat); s=0\n"
        "for y in range(h):\n"
        " row=raw[y*(w*3+1):(y+1)*(w*3+1)]; assert row[0]==0; s+=sum(row[1:])\n"
        "print(w,h,s)\n";
    std::string script_path = dir + "/png_check.py";
    std::ofstream(script_path) << script;
    if (std::system("command -v python3 >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is not installed";
    FILE* pipe = popen(("python3 " + script_path + " " + path).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[128] = {};
    std::fgets(line, sizeof line, pipe);
    EXPECT_EQ(pclose(pipe), 0) << "the decoder rejected the file";
    unsigned long long expected = 0;
    for (std::uint8_t v : rgb)
        expected += v;
    EXPECT_EQ(std::string(line), std::to_string(width) + " " + std::to_string(height) + " " + std::to_string(expected) + "\n");
}

}  // namespace
