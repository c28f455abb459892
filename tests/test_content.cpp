// The generated data files: determinism, decodability with the libraries the demo and other players
// use, the font sheet's layout, the module's two songs and the explosion sounds.
#include "tests/support.h"

#include <SDL.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>
#include <turbojpeg.h>
#include <xmp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string kData = std::string(KORVALE_BINARY_DIR) + "/data/";

struct Rgb {
    int w = 0, h = 0;
    std::vector<uint8_t> px;  // top row first, 3 bytes per pixel
    int At(int x, int y, int c) const { return px[(size_t(y) * w + x) * 3 + c]; }
    int Max(int x, int y) const { return std::max({At(x, y, 0), At(x, y, 1), At(x, y, 2)}); }
};

bool Decode(const std::string& path, Rgb& out) {
    std::vector<uint8_t> jpeg = ReadBytes(path);
    if (jpeg.empty()) return false;
    tjhandle tj = tjInitDecompress();
    int sub = 0, space = 0;
    bool ok = tjDecompressHeader3(tj, jpeg.data(), jpeg.size(), &out.w, &out.h, &sub, &space) == 0;
    if (ok) {
        out.px.resize(size_t(out.w) * out.h * 3);
        ok = tjDecompress2(tj, jpeg.data(), jpeg.size(), out.px.data(), out.w, 0, out.h, TJPF_RGB, 0) == 0;
    }
    tjDestroy(tj);
    return ok;
}

// ---- determinism --------------------------------------------------------------------------------

TEST(ContentTest, GeneratorsWriteTheSameBytesAsTheBuild) {
    const std::string d = TempDir("generated");
    ASSERT_EQ(std::system((std::string(KORVALE_GEN_TEXTURES) + " " + d + " " + KORVALE_SOURCE_DIR "/Korvale.ttf").c_str()), 0);
    ASSERT_EQ(std::system((std::string(KORVALE_GEN_SOUNDS) + " " + d).c_str()), 0);
    ASSERT_EQ(std::system((std::string(KORVALE_GEN_MUSIC) + " " + d + "/gz2.xm").c_str()), 0);
    const char* files[] = {"star.jpg", "fire.jpg", "stelle.jpg", "stelle2.jpg", "env.jpg", "sun.jpg", "font.jpg",
                           "gz2.xm", "bang.wav", "bangshrt1.wav", "bangshrt2.wav", "bangshrt3.wav", "bangshrt4.wav"};
    for (const char* f : files) {
        std::vector<uint8_t> built = ReadBytes(kData + f), again = ReadBytes(d + "/" + f);
        EXPECT_FALSE(built.empty()) << f;
        EXPECT_TRUE(built == again) << f << " differs between two runs of its generator";
        std::printf("  %-14s %8zu bytes\n", f, built.size());
    }
    std::filesystem::remove_all(d);
}

// ---- textures -------------------------------------------------------------------------------------

TEST(ContentTest, EveryTextureDecodesAtItsSize) {
    struct Expected {
        const char* name;
        int w, h;
    } const textures[] = {{"star.jpg", 256, 256},    {"fire.jpg", 256, 256}, {"stelle.jpg", 512, 512},
                          {"stelle2.jpg", 256, 256}, {"env.jpg", 256, 256},  {"sun.jpg", 512, 512},
                          {"font.jpg", 512, 256}};
    for (const Expected& e : textures) {
        Rgb img;
        ASSERT_TRUE(Decode(kData + e.name, img)) << e.name;
        EXPECT_EQ(img.w, e.w) << e.name;
        EXPECT_EQ(img.h, e.h) << e.name;
    }
}

// Sprites are added onto the picture: their whole border must be black or their square would show.
TEST(ContentTest, SpritesFadeToBlackAtTheirBorder) {
    for (const char* name : {"star.jpg", "sun.jpg"}) {
        Rgb img;
        ASSERT_TRUE(Decode(kData + name, img));
        int border = 0;
        for (int i = 0; i < img.w; ++i)
            border = std::max({border, img.Max(i, 0), img.Max(i, img.h - 1), img.Max(0, i), img.Max(img.w - 1, i)});
        EXPECT_LE(border, 3) << name;
        EXPECT_GE(img.Max(img.w / 2, img.h / 2), 240) << name << " has no bright centre";
    }
}

// A texture tiles when the step across its wrap edge is no bigger than the steps inside it.
TEST(ContentTest, RepeatedTexturesTileWithoutSeam) {
    for (const char* name : {"stelle.jpg", "fire.jpg", "env.jpg"}) {
        Rgb img;
        ASSERT_TRUE(Decode(kData + name, img));
        auto columnStep = [&](int a, int b) {
            double sum = 0;
            for (int y = 0; y < img.h; ++y)
                for (int c = 0; c < 3; ++c) sum += std::abs(img.At(a, y, c) - img.At(b, y, c));
            return sum;
        };
        auto rowStep = [&](int a, int b) {
            double sum = 0;
            for (int x = 0; x < img.w; ++x)
                for (int c = 0; c < 3; ++c) sum += std::abs(img.At(x, a, c) - img.At(x, b, c));
            return sum;
        };
        double inside = 0, insideRows = 0;
        for (int i = 1; i < img.w; ++i) inside += columnStep(i - 1, i);
        for (int i = 1; i < img.h; ++i) insideRows += rowStep(i - 1, i);
        EXPECT_LE(columnStep(img.w - 1, 0), 2.0 * inside / (img.w - 1)) << name << " left/right seam";
        EXPECT_LE(rowStep(img.h - 1, 0), 2.0 * insideRows / (img.h - 1)) << name << " top/bottom seam";
    }
}

TEST(ContentTest, FontSheetFollowsTheGlyphGrid) {
    Rgb img;
    ASSERT_TRUE(Decode(kData + "font.jpg", img));
    const int cw = img.w / 16, ch = img.h / 8;
    auto cellMax = [&](int code, int inset) {
        int i = code - 32, x0 = (i % 16) * cw, y0 = (i / 16) * ch, m = 0;
        for (int y = y0 + inset; y < y0 + ch - inset; ++y)
            for (int x = x0 + inset; x < x0 + cw - inset; ++x) m = std::max(m, img.Max(x, y));
        return m;
    };
    EXPECT_GE(cellMax('A', 0), 240) << "no white glyph in the cell of 'A'";
    EXPECT_GE(cellMax('%', 0), 240);
    EXPECT_GE(cellMax('z', 0), 240);
    EXPECT_LE(cellMax(' ', 0), 8) << "the blank's cell is not empty";
    EXPECT_LE(cellMax(127, 0), 8);
    int bottom = 0;
    for (int y = 6 * ch; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) bottom = std::max(bottom, img.Max(x, y));
    EXPECT_LE(bottom, 8) << "the two bottom bands must stay black";
    // Every cell keeps a black frame two texels wide so neighbours never bleed under filtering.
    for (int code = 32; code < 128; ++code) {
        int i = code - 32, x0 = (i % 16) * cw, y0 = (i / 16) * ch, edge = 0;
        for (int k = 0; k < cw; ++k)
            for (int d = 0; d < 2; ++d)
                edge = std::max({edge, img.Max(x0 + k, y0 + d), img.Max(x0 + k, y0 + ch - 1 - d),
                                 img.Max(x0 + d, y0 + k), img.Max(x0 + cw - 1 - d, y0 + k)});
        EXPECT_LE(edge, 24) << "glyph " << code << " touches its cell's edge";
    }
}

// ---- font ---------------------------------------------------------------------------------------------

TEST(ContentTest, KorvaleFontHasItsFamilyAndTheGlyphsTheDemoDraws) {
    FT_Library lib;
    ASSERT_EQ(FT_Init_FreeType(&lib), 0);
    FT_Face face;
    ASSERT_EQ(FT_New_Face(lib, (std::string(KORVALE_BINARY_DIR) + "/Korvale.ttf").c_str(), 0, &face), 0);
    EXPECT_EQ(face->num_faces, 1);
    EXPECT_STREQ(face->family_name, "Korvale");
    std::string codes = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789%";
    for (char c : codes) {
        FT_UInt glyph = FT_Get_Char_Index(face, FT_ULong(c));
        ASSERT_NE(glyph, 0u) << c;
        ASSERT_EQ(FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE), 0) << c;
        EXPECT_EQ(face->glyph->format, FT_GLYPH_FORMAT_OUTLINE) << c;
        EXPECT_GT(face->glyph->outline.n_contours, 0) << c;
    }
    for (int c = 32; c < 127; ++c) EXPECT_NE(FT_Get_Char_Index(face, FT_ULong(c)), 0u) << c;
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
}

// ---- music ---------------------------------------------------------------------------------------------

struct Rendered {
    double seconds = 0, peak = 0;
};

Rendered Render(openmpt::module& mod, int subsong) {
    mod.select_subsong(subsong);
    mod.set_repeat_count(0);
    Rendered r;
    std::vector<float> buf(2 * 4096);
    size_t frames = 0;
    for (;;) {
        size_t n = mod.read_interleaved_stereo(44100, 4096, buf.data());
        if (n == 0) break;
        frames += n;
        for (size_t i = 0; i < 2 * n; ++i) r.peak = std::max(r.peak, double(std::fabs(buf[i])));
    }
    r.seconds = double(frames) / 44100;
    return r;
}

TEST(ContentTest, ModuleHoldsTwoSongsThatBothPlayersRead) {
    std::vector<uint8_t> bytes = ReadBytes(kData + "gz2.xm");
    ASSERT_FALSE(bytes.empty());
    openmpt::module mod(bytes);
    EXPECT_GE(mod.get_num_channels(), 8);
    EXPECT_GE(mod.get_num_instruments(), 6);
    ASSERT_EQ(mod.get_num_subsongs(), 2);

    xmp_context ctx = xmp_create_context();
    ASSERT_EQ(xmp_load_module(ctx, const_cast<char*>((kData + "gz2.xm").c_str())), 0) << "libxmp cannot load it";
    xmp_module_info info;
    xmp_get_module_info(ctx, &info);
    EXPECT_EQ(info.mod->len, mod.get_num_orders());
    // libxmp's loader appends one blank pattern of its own for orders that name a missing pattern.
    EXPECT_EQ(info.mod->pat, mod.get_num_patterns() + 1);
    for (int o = 0; o < std::min(info.mod->len, mod.get_num_orders()); ++o)
        EXPECT_EQ(info.mod->xxo[o], mod.get_order_pattern(o)) << "order " << o;
    for (int p = 0; p < std::min(info.mod->pat, mod.get_num_patterns()); ++p)
        EXPECT_EQ(info.mod->xxp[p]->rows, mod.get_pattern_num_rows(p)) << "pattern " << p;
    EXPECT_EQ(info.mod->chn, mod.get_num_channels());
    EXPECT_EQ(info.mod->ins, mod.get_num_instruments());
    ASSERT_GE(info.num_sequences, 2);
    EXPECT_EQ(info.seq_data[0].entry_point, 0);
    EXPECT_EQ(info.seq_data[1].entry_point, 23);
    // Both players time the songs alike.
    for (int song = 0; song < 2; ++song) {
        mod.select_subsong(song);
        std::printf("  song %d: libxmp %.1f s, libopenmpt %.1f s\n", song + 1, info.seq_data[song].duration / 1000.0,
                    mod.get_duration_seconds());
        EXPECT_NEAR(info.seq_data[song].duration / 1000.0, mod.get_duration_seconds(), 1.0);
    }
    xmp_release_module(ctx);
    xmp_free_context(ctx);

    mod.select_subsong(1);
    EXPECT_EQ(mod.get_current_order(), 23) << "song 2 must start at order 23";

    // Switching songs mid-play must not leave the old song's notes hanging: each song's first row starts
    // or releases every channel.
    for (int order : {0, 23})
        for (int c = 0; c < mod.get_num_channels(); ++c)
            EXPECT_NE(mod.get_pattern_row_channel_command(mod.get_order_pattern(order), 0, c, openmpt::module::command_note), 0)
                << "order " << order << " channel " << c;

    // The two songs are separate pieces: song 2 uses none of song 1's patterns.
    std::set<int> first, second;
    for (int o = 0; o < mod.get_num_orders(); ++o) (o < 23 ? first : second).insert(mod.get_order_pattern(o));
    for (int p : second) EXPECT_EQ(first.count(p), 0u) << "pattern " << p << " is in both songs";
}

TEST(ContentTest, SongsAreLongEnoughAndNeverClip) {
    std::vector<uint8_t> bytes = ReadBytes(kData + "gz2.xm");
    ASSERT_FALSE(bytes.empty());
    openmpt::module mod(bytes);
    Rendered one = Render(mod, 0), two = Render(mod, 1);
    std::printf("  song 1: %.1f s, peak %.3f (%.1f dBFS)\n", one.seconds, one.peak, 20 * std::log10(one.peak));
    std::printf("  song 2: %.1f s, peak %.3f (%.1f dBFS)\n", two.seconds, two.peak, 20 * std::log10(two.peak));
    EXPECT_GE(one.seconds, 150.0);
    EXPECT_GE(two.seconds, 60.0);
    EXPECT_LT(one.peak, 1.0);
    EXPECT_LT(two.peak, 1.0);
    EXPECT_GT(one.peak, 0.1) << "song 1 is nearly silent";
    EXPECT_GT(two.peak, 0.1) << "song 2 is nearly silent";
}

// Fundamental of a steady tone by autocorrelation: the shortest lag whose correlation comes close to the
// best one (longer lags repeat it at whole periods).
double Pitch(const std::vector<float>& x) {
    const int minLag = 44100 / 1500, maxLag = 44100 / 40;
    std::vector<double> r(maxLag + 2, 0.0);
    for (int lag = minLag - 1; lag <= maxLag + 1; ++lag)
        for (size_t i = 0; i + lag < x.size(); ++i) r[lag] += double(x[i]) * x[i + lag];
    double best = *std::max_element(r.begin() + minLag, r.begin() + maxLag);
    for (int lag = minLag; lag <= maxLag; ++lag)
        if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
            double a = r[lag - 1], b = r[lag], c = r[lag + 1];
            return 44100.0 / (lag + 0.5 * (a - c) / (a - 2 * b + c));
        }
    return 0;
}

// Each pitched instrument sounds the note it is given: C-4 is 261.63 Hz as the composition assumes.
TEST(ContentTest, PitchedInstrumentsAreInTune) {
    std::vector<uint8_t> bytes = ReadBytes(kData + "gz2.xm");
    ASSERT_FALSE(bytes.empty());
    struct Case {
        const char* name;
        int instrument, note;  // note 60 is C-4
    } const cases[] = {{"bass", 0, 45}, {"pad", 1, 60}, {"lead", 2, 69}, {"pluck", 3, 64}};
    for (const Case& c : cases) {
        openmpt::module_ext mod(bytes);
        auto* play = static_cast<openmpt::ext::interactive*>(mod.get_interface(openmpt::ext::interactive_id));
        ASSERT_NE(play, nullptr);
        for (int ch = 0; ch < mod.get_num_channels(); ++ch) play->set_channel_mute_status(ch, true);
        play->play_note(c.instrument, c.note, 1.0, 0.0);
        std::vector<float> left(44100 / 2), right(44100 / 2);
        mod.read(44100, left.size(), left.data(), right.data());
        std::vector<float> steady(left.begin() + 44100 / 5, left.end());
        double want = 261.6256 * std::pow(2.0, (c.note - 60) / 12.0), got = Pitch(steady);
        double cents = 1200 * std::log2(got / want);
        std::printf("  %-6s %.2f Hz for %.2f Hz (%+.1f cents)\n", c.name, got, want, cents);
        EXPECT_LT(std::fabs(cents), 15.0) << c.name;
    }
}

// The demo adds the explosion sounds onto the music without scaling: together they must stay below full scale.
TEST(ContentTest, MusicAndTheLoudestExplosionTogetherStayBelowFullScale) {
    std::vector<uint8_t> bytes = ReadBytes(kData + "gz2.xm");
    ASSERT_FALSE(bytes.empty());
    openmpt::module mod(bytes);
    double music = std::max(Render(mod, 0).peak, Render(mod, 1).peak), effect = 0;
    for (const char* name : {"bang.wav", "bangshrt1.wav", "bangshrt2.wav", "bangshrt3.wav", "bangshrt4.wav"}) {
        std::vector<uint8_t> wav = ReadBytes(kData + name);
        ASSERT_GT(wav.size(), 44u) << name;
        for (size_t i = 44; i + 1 < wav.size(); i += 2)
            effect = std::max(effect, std::abs(int16_t(wav[i] | (wav[i + 1] << 8))) / 32768.0);
    }
    std::printf("  music peak %.3f + explosion peak %.3f = %.3f\n", music, effect, music + effect);
    EXPECT_LT(music + effect, 1.0);
}

// ---- sounds ---------------------------------------------------------------------------------------------

TEST(ContentTest, ExplosionSoundsLoadWithTheirDurations) {
    ASSERT_EQ(SDL_Init(0), 0);
    struct Expected {
        const char* name;
        double min, max;
    } const sounds[] = {{"bang.wav", 1.5, 2.5},      {"bangshrt1.wav", 0.3, 0.8}, {"bangshrt2.wav", 0.3, 0.8},
                        {"bangshrt3.wav", 0.3, 0.8}, {"bangshrt4.wav", 0.3, 0.8}};
    for (const Expected& e : sounds) {
        SDL_AudioSpec wav;
        Uint8* buf = nullptr;
        Uint32 len = 0;
        ASSERT_NE(SDL_LoadWAV((kData + e.name).c_str(), &wav, &buf, &len), nullptr) << e.name << ": " << SDL_GetError();
        EXPECT_EQ(wav.format, AUDIO_S16LSB) << e.name;
        double seconds = double(len) / (wav.freq * wav.channels * 2);
        const int16_t* s = reinterpret_cast<const int16_t*>(buf);
        int peak = 0;
        for (Uint32 i = 0; i < len / 2; ++i) peak = std::max(peak, std::abs(int(s[i])));
        std::printf("  %-14s %.3f s, peak %.1f dBFS\n", e.name, seconds, 20 * std::log10(peak / 32768.0));
        EXPECT_GE(seconds, e.min) << e.name;
        EXPECT_LE(seconds, e.max) << e.name;
        EXPECT_LT(peak, 32767) << e.name;
        EXPECT_GT(peak, 8000) << e.name << " is too quiet";
        SDL_FreeWAV(buf);
    }
    SDL_Quit();
}

}  // namespace
