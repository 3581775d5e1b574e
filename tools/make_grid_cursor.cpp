// Writes the hours grid's mouse pointer, a pencil whose point is the hot spot (5, 12), as
// a 32 x 32, 16-colour cursor file:
//   make_grid_cursor <output.cur>
// src/mainwindow/res/grid.cur is this program's output; run it again after changing the drawing.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;
constexpr int kHotX = 5;
constexpr int kHotY = 12;

// The standard 16-colour palette, as blue, green, red, reserved.
constexpr std::uint8_t kPalette[16][4] = {
    {0, 0, 0, 0},       {0, 0, 128, 0},   {0, 128, 0, 0},   {0, 128, 128, 0},
    {128, 0, 0, 0},     {128, 0, 128, 0}, {128, 128, 0, 0}, {192, 192, 192, 0},
    {128, 128, 128, 0}, {0, 0, 255, 0},   {0, 255, 0, 0},   {0, 255, 255, 0},
    {255, 0, 0, 0},     {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0},
};
enum Colour : std::uint8_t {
    Black = 0,
    DarkYellow = 3,
    Grey = 8,
    Red = 9,
    Yellow = 11,
    Silver = 7,
    White = 15,
    Clear = 0xFF, // transparent
};

// The pencil lies on its side, point to the left: the point at the hot spot, a sharpened
// cone of bare wood, a yellow body, a metal band and a red eraser.
std::vector<std::uint8_t> Draw() {
    std::vector<std::uint8_t> px(kSize * kSize, Clear);
    auto set = [&](int x, int y, std::uint8_t c) {
        if (x >= 0 && y >= 0 && x < kSize && y < kSize)
            px[static_cast<std::size_t>(y * kSize + x)] = c;
    };
    const int top = kHotY - 4, bottom = kHotY + 4; // the body's outline rows
    const int coneEnd = kHotX + 7;
    for (int x = kHotX; x <= 30; ++x) {
        // The cone narrows to the point: half-height grows one row per two columns.
        const int half = x < coneEnd ? (x - kHotX + 1) / 2 : 4;
        for (int y = kHotY - half; y <= kHotY + half; ++y) {
            std::uint8_t c;
            if (y == kHotY - half || y == kHotY + half || x == 30)
                c = Black;
            else if (x < kHotX + 3)
                c = Black; // the lead
            else if (x < coneEnd)
                c = DarkYellow; // bare wood
            else if (x < 24)
                c = (y == top + 1) ? White : (y >= bottom - 2 ? DarkYellow : Yellow);
            else if (x < 26)
                c = (y == top + 1) ? White : Silver;
            else
                c = (y == top + 1) ? White : Red;
            set(x, y, c);
        }
        if (x == 24 || x == 26)
            for (int y = top; y <= bottom; ++y)
                set(x, y, Grey);
    }
    set(kHotX, kHotY, Black);
    return px;
}

void Put16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_grid_cursor <output.cur>\n");
        return 2;
    }
    const std::vector<std::uint8_t> px = Draw();

    // The image: a bitmap header whose height counts the colour and the mask rows, the
    // palette, the colour rows (4 bits a pixel) and the mask rows (1 bit a pixel, 1 where
    // the screen shows through), both from the bottom row up.
    std::string image;
    const std::uint32_t xorBytes = kSize * kSize / 2, andBytes = kSize * kSize / 8;
    Put32(image, 40);
    Put32(image, kSize);
    Put32(image, kSize * 2);
    Put16(image, 1);
    Put16(image, 4);
    Put32(image, 0);
    Put32(image, xorBytes + andBytes);
    Put32(image, 0);
    Put32(image, 0);
    Put32(image, 16);
    Put32(image, 0);
    for (const auto& entry : kPalette)
        image.append(reinterpret_cast<const char*>(entry), 4);
    for (int y = kSize - 1; y >= 0; --y)
        for (int x = 0; x < kSize; x += 2) {
            auto nibble = [&](int xx) {
                const std::uint8_t c = px[static_cast<std::size_t>(y * kSize + xx)];
                return c == Clear ? static_cast<std::uint8_t>(Black) : c;
            };
            image.push_back(static_cast<char>((nibble(x) << 4) | nibble(x + 1)));
        }
    for (int y = kSize - 1; y >= 0; --y)
        for (int x = 0; x < kSize; x += 8) {
            std::uint8_t bits = 0;
            for (int b = 0; b < 8; ++b)
                if (px[static_cast<std::size_t>(y * kSize + x + b)] == Clear)
                    bits |= static_cast<std::uint8_t>(0x80 >> b);
            image.push_back(static_cast<char>(bits));
        }

    std::string file;
    Put16(file, 0); // reserved
    Put16(file, 2); // a cursor
    Put16(file, 1); // one image
    file.push_back(static_cast<char>(kSize));
    file.push_back(static_cast<char>(kSize));
    file.push_back(16); // colours
    file.push_back(0);
    Put16(file, kHotX);
    Put16(file, kHotY);
    Put32(file, static_cast<std::uint32_t>(image.size()));
    Put32(file, 22); // the image follows this directory
    file += image;

    std::ofstream out(argv[1], std::ios::binary);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    return out ? 0 : 1;
}
