// korvale-gen-textures: paints the seven JPEG textures (sprites, fire, star fields, shells, font sheet).
// Usage: korvale-gen-textures OUTDIR FONT.ttf. Sprites fade to pure black: the demo draws them additively.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/gen/gen_common.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgb {
    double r, g, b;
};

struct Picture {
    int w, h;
    std::vector<Rgb> px;
    Picture(int width, int height) : w(width), h(height), px(size_t(width) * height, Rgb{0, 0, 0}) {}
    Rgb& At(int x, int y) { return px[size_t(y) * w + x]; }
};

double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
double Smooth(double e0, double e1, double x)
{
    double t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
Rgb Mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb Scale(Rgb a, double s) { return {a.r * s, a.g * s, a.b * s}; }

bool WriteJpeg(const std::string& path, const Picture& pic)
{
    std::vector<unsigned char> rgb(size_t(pic.w) * pic.h * 3);
    for (size_t i = 0; i < pic.px.size(); ++i) {
        rgb[3 * i + 0] = static_cast<unsigned char>(std::lround(Clamp01(pic.px[i].r) * 255.0));
        rgb[3 * i + 1] = static_cast<unsigned char>(std::lround(Clamp01(pic.px[i].g) * 255.0));
        rgb[3 * i + 2] = static_cast<unsigned char>(std::lround(Clamp01(pic.px[i].b) * 255.0));
    }
    tjhandle tj = tjInitCompress();
    if (!tj)
        return false;
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    int rc = tjCompress2(tj, rgb.data(), pic.w, 0, pic.h, TJPF_RGB, &jpeg, &size, TJSAMP_444, 95, TJFLAG_ACCURATEDCT);
    bool ok = rc == 0 && gen::WriteFile(path, std::vector<uint8_t>(jpeg, jpeg + size));
    if (rc != 0)
        std::fprintf(stderr, "%s: %s\n", path.c_str(), tjGetErrorStr2(tj));
    tjFree(jpeg);
    tjDestroy(tj);
    return ok;
}

// Lattice value noise in 3D whose lattice repeats every `period` cells on each axis, so 2D slices of
// it tile seamlessly when the picture spans whole periods.
double Lattice(int x, int y, int z, int period, uint32_t seed)
{
    x = ((x % period) + period) % period;
    y = ((y % period) + period) % period;
    z = ((z % period) + period) % period;
    uint32_t h = seed * 0x27D4EB2Du ^ uint32_t(x) * 0x85EBCA6Bu ^ uint32_t(y) * 0xC2B2AE35u ^ uint32_t(z) * 0x165667B1u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return (h & 0xFFFFFF) / double(0x1000000);
}

// Gradient noise on the same repeating lattice, scaled to 0..1: smoother than interpolating the lattice
// values themselves, which shows the grid as blocky diamonds.
double Noise(double x, double y, double z, int period, uint32_t seed)
{
    static const int grad[12][3] = {{1, 1, 0},  {-1, 1, 0},  {1, -1, 0}, {-1, -1, 0}, {1, 0, 1},  {-1, 0, 1},
                                    {1, 0, -1}, {-1, 0, -1}, {0, 1, 1},  {0, -1, 1},  {0, 1, -1}, {0, -1, -1}};
    int ix = int(std::floor(x)), iy = int(std::floor(y)), iz = int(std::floor(z));
    double fx = x - ix, fy = y - iy, fz = z - iz;
    auto fade = [](double t) { return t * t * t * (t * (t * 6 - 15) + 10); };
    auto lerp = [](double p, double q, double t) { return p + (q - p) * t; };
    auto corner = [&](int a, int b, int d) {
        const int* g = grad[int(Lattice(ix + a, iy + b, iz + d, period, seed) * 12)];
        return g[0] * (fx - a) + g[1] * (fy - b) + g[2] * (fz - d);
    };
    double u = fade(fx), v = fade(fy), w = fade(fz);
    double x00 = lerp(corner(0, 0, 0), corner(1, 0, 0), u), x10 = lerp(corner(0, 1, 0), corner(1, 1, 0), u);
    double x01 = lerp(corner(0, 0, 1), corner(1, 0, 1), u), x11 = lerp(corner(0, 1, 1), corner(1, 1, 1), u);
    return Clamp01(0.5 + 0.5 * lerp(lerp(x00, x10, v), lerp(x01, x11, v), w));
}

// Fractal sum over octaves; (x, y) in [0, 1) across the picture, so each octave tiles.
double Fbm(double x, double y, double z, int baseCells, int octaves, uint32_t seed, bool turbulent)
{
    double sum = 0, amp = 1, norm = 0;
    int cells = baseCells;
    for (int o = 0; o < octaves; ++o) {
        // Gradient noise stays near its middle; widen it to use the whole 0..1 range.
        double n =
            Clamp01(0.5 + 2.3 * (Noise(x * cells, y * cells, z * cells, cells, seed + uint32_t(o) * 101u) - 0.5));
        sum += amp * (turbulent ? std::fabs(2 * n - 1) : n);
        norm += amp;
        amp *= 0.5;
        cells *= 2;
    }
    return sum / norm;
}

// Radial window: 1 inside, falling smoothly to exactly 0 at radius 1 (in units of the half-size).
double EdgeFade(double r) { return r >= 1 ? 0 : std::pow(1 - r * r, 2); }

Picture MakeStar()
{
    Picture p(256, 256);
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
            double dx = (x + 0.5 - 128) / 128, dy = (y + 0.5 - 128) / 128;
            double r = std::sqrt(dx * dx + dy * dy);
            double v = 0.55 * std::exp(-r * r / 0.006) + 0.35 * std::exp(-r * r / 0.05) + 0.25 * std::exp(-r * r / 0.2);
            v *= EdgeFade(r / 0.97);
            p.At(x, y) = Rgb{v, v * 0.98, v * 0.95};
        }
    return p;
}

Picture MakeSun()
{
    Picture p(512, 512);
    gen::Random rnd(11);
    struct Ray {
        double angle, width, length, strength;
    };
    std::vector<Ray> rays;
    for (int i = 0; i < 56; ++i)
        rays.push_back(
            {rnd.Unit() * 2 * kPi, 0.004 + 0.012 * rnd.Unit(), 0.45 + 0.65 * rnd.Unit(), 0.3 + 0.7 * rnd.Unit()});
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
            double dx = (x + 0.5 - 256) / 256, dy = (y + 0.5 - 256) / 256;
            double r = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
            double core = std::exp(-r * r / 0.004) + 0.6 * std::exp(-r * r / 0.02) + 0.3 * std::exp(-r / 0.18);
            double rays_ = 0;
            for (const Ray& ray : rays) {
                double d = std::remainder(a - ray.angle, 2 * kPi);
                double across = d * std::max(r, 0.05) / (ray.width * (1 + 2 * r));
                rays_ += ray.strength * std::exp(-across * across) * std::exp(-r / (0.3 * ray.length));
            }
            double halo = 0.12 * std::exp(-std::pow((r - 0.55) / 0.05, 2));
            double v = (core + 0.8 * rays_ + halo) * EdgeFade(r / 0.98);
            Rgb hot{1.0, 0.97, 0.85}, warm{1.0, 0.62, 0.18}, deep{0.7, 0.18, 0.03};
            Rgb c = v > 0.6 ? Mix(warm, hot, Clamp01((v - 0.6) / 0.6)) : Mix(deep, warm, Clamp01(v / 0.6));
            p.At(x, y) = Scale(c, std::min(v, 1.4));
        }
    return p;
}

Picture MakeFire()
{
    Picture p(256, 256);
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
            double u = double(x) / p.w, v = double(y) / p.h;
            // Warp the turbulence by a second field so the flames curl instead of looking like plain noise.
            double wx = Fbm(u, v, 0.25, 4, 4, 7, false), wy = Fbm(u, v, 0.75, 4, 4, 8, false);
            double t = Fbm(u + 0.15 * wx, v + 0.15 * wy, 0.5, 4, 6, 21, true);
            double heat = Clamp01(std::pow(1.0 - t, 2.2) * 1.6);
            Rgb c;
            if (heat < 0.35)
                c = Mix(Rgb{0.25, 0.02, 0.0}, Rgb{0.85, 0.12, 0.0}, heat / 0.35);
            else if (heat < 0.7)
                c = Mix(Rgb{0.85, 0.12, 0.0}, Rgb{1.0, 0.55, 0.05}, (heat - 0.35) / 0.35);
            else
                c = Mix(Rgb{1.0, 0.55, 0.05}, Rgb{1.0, 0.95, 0.6}, (heat - 0.7) / 0.3);
            p.At(x, y) = c;
        }
    return p;
}

Picture MakeEnv()
{
    Picture p(256, 256);
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
            double u = double(x) / p.w, v = double(y) / p.h;
            double n = Fbm(u, v, 0.3, 4, 4, 33, false);
            double cloud = Smooth(0.3, 0.8, n);
            double v_ = Clamp01(0.1 + 0.85 * cloud);
            p.At(x, y) = Scale(Mix(Rgb{0.55, 0.6, 0.85}, Rgb{1.0, 0.97, 0.95}, v_), v_);
        }
    return p;
}

void AddBlob(Picture& p, double cx, double cy, double sigma, Rgb c)
{
    int reach = int(std::ceil(sigma * 4));
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            int x = int(std::floor(cx)) + dx, y = int(std::floor(cy)) + dy;
            double ex = x + 0.5 - cx, ey = y + 0.5 - cy;
            double k = std::exp(-(ex * ex + ey * ey) / (2 * sigma * sigma));
            Rgb& d = p.At(((x % p.w) + p.w) % p.w, ((y % p.h) + p.h) % p.h);  // wraps: the field tiles
            d = Rgb{d.r + c.r * k, d.g + c.g * k, d.b + c.b * k};
        }
}

Picture MakeStelle()
{
    Picture p(512, 512);
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
            double u = double(x) / p.w, v = double(y) / p.h;
            double n = Smooth(0.45, 0.85, Fbm(u, v, 0.1, 2, 5, 55, false));
            p.At(x, y) = Rgb{0.05 * n, 0.02 * n, 0.08 * n};
        }
    gen::Random rnd(5);
    for (int i = 0; i < 900; ++i) {
        double x = rnd.Unit() * p.w, y = rnd.Unit() * p.h;
        double mag = std::pow(rnd.Unit(), 4.0);  // most stars faint, a few bright
        double tint = rnd.Signed();
        Rgb c =
            tint > 0 ? Rgb{1.0, 1.0 - 0.15 * tint, 1.0 - 0.35 * tint} : Rgb{1.0 + 0.3 * tint, 1.0 + 0.1 * tint, 1.0};
        double sigma = 0.45 + 0.9 * mag;
        AddBlob(p, x, y, sigma, Scale(c, 0.2 + 1.8 * mag));
        if (mag > 0.6)
            AddBlob(p, x, y, sigma * 3.5, Scale(c, 0.08 * mag));
    }
    return p;
}

// Sphere map: each texel is the colour seen in a chrome ball at that point, so the direction of the
// reflected view ray picks a sky of bright nebula over a dark, warm ground with a hot horizon line.
Picture MakeStelle2()
{
    Picture p(256, 256);
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
            double nx = (x + 0.5 - 128) / 128, ny = (128 - (y + 0.5)) / 128;
            double rr = nx * nx + ny * ny;
            if (rr > 0.999) {
                double s = std::sqrt(0.999 / rr);
                nx *= s, ny *= s, rr = 0.999;
            }
            double nz = std::sqrt(1 - rr);
            double rx = 2 * nz * nx, ry = 2 * nz * ny, rz = 2 * nz * nz - 1;
            double neb = Fbm(rx * 0.5 + 0.5, ry * 0.5 + 0.5, rz * 0.5 + 0.5, 3, 5, 77, false);
            Rgb c;
            if (ry >= 0) {
                double h = std::pow(ry, 0.6);
                Rgb sky = Mix(Rgb{0.95, 0.92, 1.0}, Rgb{0.5, 0.55, 1.0}, h);
                Rgb nebula = Mix(Rgb{0.9, 0.35, 0.8}, Rgb{0.4, 0.8, 1.0}, Smooth(0.3, 0.7, neb));
                c = Mix(sky, nebula, 0.8 * Smooth(0.3, 0.7, neb) * (0.3 + 0.7 * h));
            } else {
                double d = std::pow(-ry, 0.5);
                c = Mix(Rgb{1.0, 0.75, 0.45}, Rgb{0.55, 0.3, 0.25}, d);
                c = Scale(c, 0.8 + 0.4 * neb);
            }
            double horizon = std::exp(-ry * ry / 0.0015);
            c = Mix(c, Rgb{1, 1, 1}, 0.8 * horizon);
            double sx = rx - 0.45, sy = ry - 0.55, sz = rz - 0.7;  // a bright light up and to the left
            c = Mix(c, Rgb{1, 1, 0.95}, std::exp(-(sx * sx + sy * sy + sz * sz) / 0.02));
            p.At(x, y) = c;
        }
    return p;
}

// The bitmap font sheet: 16 columns by 8 bands, code 32 + i in column i % 16 of band i / 16 from the top,
// the two bottom bands left black. 32 x 32 cells; every glyph keeps a margin inside its cell so linear
// filtering and the first mipmap levels never pull in a neighbour.
bool MakeFont(const std::string& ttf, Picture& p)
{
    constexpr int kCell = 32, kMargin = 3, kBaseline = 24;
    FT_Library lib;
    if (FT_Init_FreeType(&lib))
        return false;
    FT_Face face;
    if (FT_New_Face(lib, ttf.c_str(), 0, &face)) {
        std::fprintf(stderr, "cannot open %s\n", ttf.c_str());
        FT_Done_FreeType(lib);
        return false;
    }
    bool ok = true;
    for (int i = 0; i < 95 && ok; ++i) {  // codes 32..126; 127 has no glyph and stays empty
        int code = 32 + i;
        int cellX = (i % 16) * kCell, cellY = (i / 16) * kCell;
        // Shrink a glyph until it fits inside its cell with the margin kept on every side.
        for (int size = 24; size >= 12; --size) {
            FT_Set_Pixel_Sizes(face, 0, size);
            if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL)) {
                ok = false;
                break;
            }
            const FT_Bitmap& bm = face->glyph->bitmap;
            int w = int(bm.width), h = int(bm.rows);
            int left = cellX + (kCell - w) / 2;
            int top = cellY + kBaseline - face->glyph->bitmap_top;
            if (top < cellY + kMargin)
                top = cellY + kMargin;
            bool fits = w <= kCell - 2 * kMargin && top + h <= cellY + kCell - kMargin;
            if (!fits && size > 12)
                continue;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    if (left + x < cellX || left + x >= cellX + kCell || top + y >= cellY + kCell)
                        continue;
                    double v = bm.buffer[y * bm.pitch + x] / 255.0;
                    p.At(left + x, top + y) = Rgb{v, v, v};
                }
            break;
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTDIR FONT.ttf\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    bool ok = WriteJpeg(dir + "/star.jpg", MakeStar());
    ok = WriteJpeg(dir + "/fire.jpg", MakeFire()) && ok;
    ok = WriteJpeg(dir + "/stelle.jpg", MakeStelle()) && ok;
    ok = WriteJpeg(dir + "/stelle2.jpg", MakeStelle2()) && ok;
    ok = WriteJpeg(dir + "/env.jpg", MakeEnv()) && ok;
    ok = WriteJpeg(dir + "/sun.jpg", MakeSun()) && ok;
    Picture font(512, 256);
    ok = MakeFont(argv[2], font) && WriteJpeg(dir + "/font.jpg", font) && ok;
    return ok ? 0 : 1;
}
