// Writes the program's icon, drawn anew at each of its sizes (16 to 256 pixels) by
// ProgramIcon, as one icon file: 32-bit pictures with alpha, the two largest compressed
// as PNG the way the system's own large icons are, the others as bitmaps with a mask for
// displays without alpha.
//   make_app_icon <output.ico> [<preview.png>]
// src/app/res/quillbay.ico is this program's output; run it again after changing the
// drawing. The preview shows every size side by side on white, to look at.

#include "controls/pictures/pictures.h"

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using qb::controls::Picture;

constexpr std::array kSizes{16, 20, 24, 32, 40, 48, 64, 128, 256};
constexpr int kSmallestPng = 128;

void Put16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void Put32BigEndian(std::string& out, std::uint32_t v) {
    for (int i = 3; i >= 0; --i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A PNG of RGBA rows (colour type 6), compressed with zlib.
std::string Png(int width, int height, const std::vector<std::uint32_t>& argb) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0); // no filter
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = argb[static_cast<std::size_t>(y * width + x)];
            for (const int shift : {16, 8, 0, 24})
                raw.push_back(static_cast<char>((p >> shift) & 0xFF));
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
              reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 9);
    packed.resize(packedSize);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    auto chunk = [&](const char* type, const std::string& data) {
        Put32BigEndian(png, static_cast<std::uint32_t>(data.size()));
        const std::string body = std::string(type, 4) + data;
        png += body;
        Put32BigEndian(
            png, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                  static_cast<uInt>(body.size()))));
    };
    std::string header;
    Put32BigEndian(header, static_cast<std::uint32_t>(width));
    Put32BigEndian(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x06\x00\x00\x00", 5); // 8 bits, RGBA, deflate, no interlace
    chunk("IHDR", header);
    chunk("IDAT", packed);
    chunk("IEND", {});
    return png;
}

// A bitmap icon image: its header (the height counts the colour and the mask rows), the
// colour rows with alpha and the mask rows (1 where the screen shows through), both from
// the bottom row up.
std::string Bitmap(const Picture& p) {
    std::string image;
    const int maskStride = ((p.width + 31) / 32) * 4;
    Put32(image, 40);
    Put32(image, static_cast<std::uint32_t>(p.width));
    Put32(image, static_cast<std::uint32_t>(p.height * 2));
    Put16(image, 1);
    Put16(image, 32);
    Put32(image, 0);
    Put32(image, static_cast<std::uint32_t>(p.width * p.height * 4 + maskStride * p.height));
    for (int i = 0; i < 4; ++i)
        Put32(image, 0);
    for (int y = p.height - 1; y >= 0; --y)
        for (int x = 0; x < p.width; ++x)
            Put32(image, p.At(x, y));
    for (int y = p.height - 1; y >= 0; --y) {
        std::string row(static_cast<std::size_t>(maskStride), '\0');
        for (int x = 0; x < p.width; ++x)
            if ((p.At(x, y) >> 24) < 128)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
        image += row;
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make_app_icon <output.ico> [<preview.png>]\n");
        return 2;
    }
    std::vector<Picture> pictures;
    std::vector<std::string> images;
    for (const int size : kSizes) {
        pictures.push_back(qb::controls::ProgramIcon(size));
        const Picture& p = pictures.back();
        images.push_back(size >= kSmallestPng ? Png(p.width, p.height, p.pixels) : Bitmap(p));
    }

    std::string file;
    Put16(file, 0); // reserved
    Put16(file, 1); // an icon
    Put16(file, static_cast<std::uint32_t>(kSizes.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(kSizes.size());
    for (std::size_t i = 0; i < kSizes.size(); ++i) {
        file.push_back(static_cast<char>(kSizes[i] & 0xFF)); // 256 is written as 0
        file.push_back(static_cast<char>(kSizes[i] & 0xFF));
        file.push_back(0); // no palette
        file.push_back(0);
        Put16(file, 1);  // planes
        Put16(file, 32); // bits per pixel
        Put32(file, static_cast<std::uint32_t>(images[i].size()));
        Put32(file, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const std::string& image : images)
        file += image;
    std::ofstream out(argv[1], std::ios::binary);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    if (!out)
        return 1;

    if (argc == 3) {
        // Every size side by side, 8 pixels apart, on white.
        int width = 8, height = 0;
        for (const Picture& p : pictures) {
            width += p.width + 8;
            height = std::max(height, p.height + 16);
        }
        std::vector<std::uint32_t> preview(static_cast<std::size_t>(width * height), 0xFFFFFFFF);
        int left = 8;
        for (const Picture& p : pictures) {
            for (int y = 0; y < p.height; ++y)
                for (int x = 0; x < p.width; ++x)
                    preview[static_cast<std::size_t>((y + 8) * width + left + x)] =
                        0xFF000000u | qb::controls::OverColour(p.At(x, y), 0xFFFFFF);
            left += p.width + 8;
        }
        const std::string png = Png(width, height, preview);
        std::ofstream previewOut(argv[2], std::ios::binary);
        previewOut.write(png.data(), static_cast<std::streamsize>(png.size()));
        if (!previewOut)
            return 1;
    }
    return 0;
}
