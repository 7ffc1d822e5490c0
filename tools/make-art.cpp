// make-art - draws the game's three images into data/.
//
//   daFont.tga      256x256 glyph sheet: 16 by 16 cells of 16 pixels. Cells 0-95 hold codes
//                   32-127 in the regular face, cells 128-223 the same codes in the bold face
//                   (cell 96 + code); every other cell is blank. Glyphs are light, the rest black.
//   daFontMask.tga  the same layout, 255 - glyph coverage: white where the background shows.
//   TheCrate2.tga   128x128 wooden crate face: planks, a frame, a diagonal brace, nails.
//   icon-N.png      the crate face at N by N pixels (48, 64, 128, 256), the installed game's icon.
//   quorvin.ico     the same faces and two small ones (16, 32), each an uncompressed 32-bit
//                   bitmap: the Windows exe's icon, and the X11 window's, linked into the program.
//
// Pixels are stored bottom row first, each pixel's bytes in the order red, green, blue, which
// is the order the loader hands them to GL. Deterministic: the same fonts give the same bytes.
//
// Usage: make-art REGULAR.ttf BOLD.ttf OUTDIR
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int Cell = 16;
constexpr int Sheet = 16 * Cell;
constexpr int Baseline = 4; // pixel rows below the baseline, for descenders

// A picture in memory, row 0 at the top, RGB.
struct Picture {
    int Width, Height;
    std::vector<std::uint8_t> Rgb;
    Picture(int w, int h) : Width(w), Height(h), Rgb(static_cast<std::size_t>(w) * h * 3) {}
    std::uint8_t* At(int x, int y) { return &Rgb[(static_cast<std::size_t>(y) * Width + x) * 3]; }
    const std::uint8_t* At(int x, int y) const {
        return &Rgb[(static_cast<std::size_t>(y) * Width + x) * 3];
    }
    void Set(int x, int y, double r, double g, double b) {
        if (x < 0 || y < 0 || x >= Width || y >= Height) return;
        std::uint8_t* p = At(x, y);
        p[0] = static_cast<std::uint8_t>(std::clamp(std::lround(r), 0L, 255L));
        p[1] = static_cast<std::uint8_t>(std::clamp(std::lround(g), 0L, 255L));
        p[2] = static_cast<std::uint8_t>(std::clamp(std::lround(b), 0L, 255L));
    }
};

bool WriteTga(const Picture& picture, const std::string& path) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    std::uint8_t header[18] = {};
    header[2] = 2; // uncompressed true-colour
    header[12] = static_cast<std::uint8_t>(picture.Width & 0xFF);
    header[13] = static_cast<std::uint8_t>(picture.Width >> 8);
    header[14] = static_cast<std::uint8_t>(picture.Height & 0xFF);
    header[15] = static_cast<std::uint8_t>(picture.Height >> 8);
    header[16] = 24;
    header[17] = 0; // bottom-left origin: the first stored row is the bottom one
    std::fwrite(header, 1, sizeof header, out);
    std::size_t rowBytes = static_cast<std::size_t>(picture.Width) * 3;
    for (int y = picture.Height - 1; y >= 0; --y)
        std::fwrite(&picture.Rgb[static_cast<std::size_t>(y) * rowBytes], 1, rowBytes, out);
    return std::fclose(out) == 0;
}

// ---- Font ---------------------------------------------------------------------------------

// Renders code into the cell's coverage (row 0 at the top of the cell).
void RenderGlyph(FT_Face face, unsigned code, std::uint8_t* coverage /* Cell x Cell */) {
    FT_UInt index = FT_Get_Char_Index(face, code);
    if (index == 0) return; // no glyph: the cell stays blank
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) return;
    FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    // Centre the advance in the cell; the baseline sits Baseline rows above the cell's bottom.
    int advance = static_cast<int>(slot->advance.x >> 6);
    int left = (Cell - advance) / 2 + slot->bitmap_left;
    int top = (Cell - Baseline) - slot->bitmap_top;
    for (unsigned row = 0; row < bitmap.rows; ++row)
        for (unsigned col = 0; col < bitmap.width; ++col) {
            int x = left + static_cast<int>(col), y = top + static_cast<int>(row);
            if (x < 0 || y < 0 || x >= Cell || y >= Cell) continue;
            coverage[y * Cell + x] = bitmap.buffer[row * bitmap.pitch + col];
        }
}

bool MakeFont(FT_Library library, const char* regular, const char* bold, const std::string& dir) {
    FT_Face faces[2];
    for (int i = 0; i < 2; ++i) {
        if (FT_New_Face(library, i == 0 ? regular : bold, 0, &faces[i]) != 0) {
            std::fprintf(stderr, "make-art: cannot read %s\n", i == 0 ? regular : bold);
            return false;
        }
        // Wider than tall, so the fixed 16-unit pitch does not leave gaps between letters.
        FT_Set_Pixel_Sizes(faces[i], 24, 15);
    }
    Picture glyphs(Sheet, Sheet), mask(Sheet, Sheet);
    for (int cell = 0; cell < 256; ++cell) {
        std::uint8_t coverage[Cell * Cell] = {};
        if (cell < 96)
            RenderGlyph(faces[0], static_cast<unsigned>(cell + 32), coverage);
        else if (cell >= 128 && cell < 224)
            RenderGlyph(faces[1], static_cast<unsigned>(cell - 96), coverage);
        int cx = (cell % 16) * Cell, cy = (cell / 16) * Cell;
        for (int y = 0; y < Cell; ++y)
            for (int x = 0; x < Cell; ++x) {
                double c = coverage[y * Cell + x];
                glyphs.Set(cx + x, cy + y, c, c, c);
                mask.Set(cx + x, cy + y, 255 - c, 255 - c, 255 - c);
            }
    }
    for (FT_Face face : faces)
        FT_Done_Face(face);
    return WriteTga(glyphs, dir + "/daFont.tga") && WriteTga(mask, dir + "/daFontMask.tga");
}

// ---- Crate --------------------------------------------------------------------------------

// A small fixed hash, so the wood grain is the same on every run.
double Noise(int x, int y, int seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u +
                      static_cast<std::uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

// Wood at (x, y) with the grain running along `along`; shade scales the colour.
void Wood(Picture& p, int x, int y, double along, double across, int seed, double shade) {
    double streak = std::sin(across * 1.7 + std::sin(along * 0.09 + seed) * 1.3 + seed * 2.1);
    double fleck = Noise(static_cast<int>(along / 3), static_cast<int>(across), seed);
    double v = shade * (0.82 + 0.10 * streak + 0.08 * fleck);
    p.Set(x, y, 196 * v, 140 * v, 82 * v);
}

void Nail(Picture& p, int cx, int cy) {
    for (int y = -3; y <= 3; ++y)
        for (int x = -3; x <= 3; ++x) {
            double d = std::hypot(x, y);
            if (d > 2.8) continue;
            double light = 70 + 60 * std::max(0.0, 1.0 - std::hypot(x + 1, y + 1) / 2.5);
            if (d > 2.0) light = 40; // dark rim where the head meets the wood
            p.Set(cx + x, cy + y, light, light, light * 1.05);
        }
}

// The picture at size by size: each new pixel averages the old pixels its square covers
// (weighted by the part covered), which also enlarges smoothly enough for a crate.
Picture Resized(const Picture& from, int size) {
    Picture to(size, size);
    const double scale = static_cast<double>(from.Width) / size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double sum[3] = {}, weight = 0;
            // Enlarging, the square is smaller than one old pixel: widen it to one, centred.
            double reach = std::max(scale, 1.0);
            double cx = (x + 0.5) * scale, cy = (y + 0.5) * scale;
            double x0 = cx - reach / 2, x1 = cx + reach / 2, y0 = cy - reach / 2,
                   y1 = cy + reach / 2;
            for (int sy = std::max(0, static_cast<int>(std::floor(y0)));
                 sy < std::min(from.Height, static_cast<int>(std::ceil(y1))); ++sy)
                for (int sx = std::max(0, static_cast<int>(std::floor(x0)));
                     sx < std::min(from.Width, static_cast<int>(std::ceil(x1))); ++sx) {
                    double w = (std::min<double>(x1, sx + 1) - std::max<double>(x0, sx)) *
                               (std::min<double>(y1, sy + 1) - std::max<double>(y0, sy));
                    if (w <= 0) continue;
                    const std::uint8_t* p = from.At(sx, sy);
                    for (int c = 0; c < 3; ++c)
                        sum[c] += w * p[c];
                    weight += w;
                }
            to.Set(x, y, sum[0] / weight, sum[1] / weight, sum[2] / weight);
        }
    return to;
}

bool WritePng(const Picture& picture, const std::string& path) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, picture.Width, picture.Height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    for (int y = 0; y < picture.Height; ++y)
        png_write_row(png, &picture.Rgb[static_cast<std::size_t>(y) * picture.Width * 3]);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0;
}

void PutLittle(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// An icon file of the pictures, all kept as bitmaps (no PNG inside), so that the game can read
// them without an image library. Opaque everywhere: the mask is all zero, alpha all 255.
bool WriteIco(const std::vector<Picture>& pictures, const std::string& path) {
    std::vector<std::uint8_t> head, images;
    PutLittle(head, 0, 2);
    PutLittle(head, 1, 2); // an icon, not a cursor
    PutLittle(head, static_cast<std::uint32_t>(pictures.size()), 2);
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(pictures.size());
    for (const Picture& p : pictures) {
        const std::uint32_t maskRow = (p.Width + 31) / 32 * 4;
        const std::uint32_t bytes = 40 + p.Width * p.Height * 4 + maskRow * p.Height;
        head.push_back(static_cast<std::uint8_t>(p.Width & 0xFF)); // 0 stands for 256
        head.push_back(static_cast<std::uint8_t>(p.Height & 0xFF));
        PutLittle(head, 0, 2);  // no palette, reserved
        PutLittle(head, 1, 2);  // planes
        PutLittle(head, 32, 2); // bits a pixel
        PutLittle(head, bytes, 4);
        PutLittle(head, offset, 4);
        offset += bytes;
        // BITMAPINFOHEADER; the height counts the colour rows and the mask's together.
        PutLittle(images, 40, 4);
        PutLittle(images, static_cast<std::uint32_t>(p.Width), 4);
        PutLittle(images, static_cast<std::uint32_t>(p.Height * 2), 4);
        PutLittle(images, 1, 2);
        PutLittle(images, 32, 2);
        PutLittle(images, 0, 4); // uncompressed
        PutLittle(images, bytes - 40, 4);
        for (int i = 0; i < 4; ++i)
            PutLittle(images, 0, 4);
        // Bottom row first, each pixel blue, green, red, alpha.
        for (int y = p.Height - 1; y >= 0; --y)
            for (int x = 0; x < p.Width; ++x) {
                const std::uint8_t* c = p.At(x, y);
                images.insert(images.end(), {c[2], c[1], c[0], 255});
            }
        images.insert(images.end(), maskRow * p.Height, 0);
    }
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    std::fwrite(head.data(), 1, head.size(), out);
    std::fwrite(images.data(), 1, images.size(), out);
    return std::fclose(out) == 0;
}

bool MakeCrate(const std::string& dir) {
    constexpr int Size = 128, Frame = 14;
    Picture p(Size, Size);
    // Planks: four horizontal boards with dark gaps between them.
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            int board = y / (Size / 4);
            int inBoard = y % (Size / 4);
            double shade = 0.92 + 0.06 * ((board * 37) % 3 - 1);
            if (inBoard == 0 || inBoard == Size / 4 - 1) shade *= 0.45;
            Wood(p, x, y, x, y * 0.8, board + 1, shade);
        }
    // Diagonal brace from the bottom-left to the top-right corner, inside the frame.
    const double halfWidth = 9.0;
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            // Distance from the line x + y = Size - 1 (picture rows run top down).
            double d = (x + y - (Size - 1)) / std::sqrt(2.0);
            if (std::fabs(d) > halfWidth) continue;
            double along = (x - y) / std::sqrt(2.0);
            double shade = std::fabs(d) > halfWidth - 1.2 ? 0.5 : 1.05;
            Wood(p, x, y, along, d, 7, shade);
        }
    // Frame: four boards round the edge, drawn last so they cover the brace's ends.
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            int fromEdge = std::min(std::min(x, y), std::min(Size - 1 - x, Size - 1 - y));
            if (fromEdge >= Frame) continue;
            bool vertical = std::min(x, Size - 1 - x) < std::min(y, Size - 1 - y);
            double shade = 1.12;
            if (fromEdge == 0 || fromEdge == Frame - 1) shade = 0.5; // edges and inner seam
            if (std::min(x, Size - 1 - x) == std::min(y, Size - 1 - y)) shade = 0.55; // mitre
            if (vertical)
                Wood(p, x, y, y, x, 11, shade);
            else
                Wood(p, x, y, x, y, 13, shade);
        }
    // Nails: two at each corner of the frame and one at each end of the brace.
    const int n = Frame / 2, far = Size - 1 - Frame / 2;
    for (int cx : {n, far})
        for (int cy : {n, far}) {
            Nail(p, cx, cy + (cy == n ? 20 : -20));
            Nail(p, cx + (cx == n ? 20 : -20), cy);
        }
    Nail(p, Frame + 6, Size - 1 - Frame - 6);
    Nail(p, Size - 1 - Frame - 6, Frame + 6);
    if (!WriteTga(p, dir + "/TheCrate2.tga")) return false;
    std::vector<Picture> icons;
    for (int size : {16, 32, 48, 64, 128, 256})
        icons.push_back(Resized(p, size));
    for (const Picture& icon : icons)
        if (icon.Width >= 48 &&
            !WritePng(icon, dir + "/icon-" + std::to_string(icon.Width) + ".png"))
            return false;
    return WriteIco(icons, dir + "/quorvin.ico");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make-art REGULAR.ttf BOLD.ttf OUTDIR\n");
        return 2;
    }
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0) return 1;
    bool ok = MakeFont(library, argv[1], argv[2], argv[3]) && MakeCrate(argv[3]);
    FT_Done_FreeType(library);
    return ok ? 0 : 1;
}
