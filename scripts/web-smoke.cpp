// Smoke check of the browser build's libraries (scripts/build-web.sh): each one is called for real, so a
// missing symbol fails the link and a broken build fails the run (in a page, or under node without video).
#include <SDL.h>
#include <GLES3/gl3.h>
#include <emscripten.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <libopenmpt/libopenmpt.h>
#include <png.h>
#include <turbojpeg.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

int failures = 0;

void check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  if (!ok) ++failures;
}

// A 16 x 16 grey ramp through TurboJPEG and back.
void check_turbojpeg() {
  unsigned char pixels[16 * 16 * 3];
  for (int i = 0; i < 16 * 16 * 3; ++i) pixels[i] = static_cast<unsigned char>(i / 3 % 16 * 16);
  tjhandle encoder = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  bool encoded = encoder && tjCompress2(encoder, pixels, 16, 0, 16, TJPF_RGB, &jpeg, &size, TJSAMP_444, 95, 0) == 0;
  tjhandle decoder = tjInitDecompress();
  unsigned char back[16 * 16 * 3] = {};
  bool decoded = encoded && decoder && tjDecompress2(decoder, jpeg, size, back, 16, 0, 16, TJPF_RGB, 0) == 0;
  int worst = 0;
  for (int i = 0; decoded && i < 16 * 16 * 3; ++i) {
    int d = back[i] > pixels[i] ? back[i] - pixels[i] : pixels[i] - back[i];
    if (d > worst) worst = d;
  }
  check(decoded && worst < 8, "TurboJPEG compresses and decompresses");
  tjFree(jpeg);
  if (encoder) tjDestroy(encoder);
  if (decoder) tjDestroy(decoder);
}

// A PNG written to memory (through zlib) has PNG's signature.
void check_png() {
  std::vector<unsigned char> file;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = png && info && setjmp(png_jmpbuf(png)) == 0;
  if (ok) {
    png_set_write_fn(
        png, &file,
        [](png_structp p, png_bytep data, png_size_t n) {
          auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(p));
          out->insert(out->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, 4, 4, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    unsigned char row[4] = {0, 85, 170, 255};
    for (int y = 0; y < 4; ++y) png_write_row(png, row);
    png_write_end(png, nullptr);
  }
  png_destroy_write_struct(&png, &info);
  check(ok && file.size() > 8 && png_sig_cmp(file.data(), 0, 8) == 0, "libpng writes a PNG");
}

// No font file here: an empty memory face must be refused, not crash.
void check_freetype() {
  FT_Library library = nullptr;
  bool ok = FT_Init_FreeType(&library) == 0;
  FT_Face face = nullptr;
  static const unsigned char junk[64] = {};
  check(ok && FT_New_Memory_Face(library, junk, sizeof junk, 0, &face) != 0, "FreeType refuses a bad face");
  if (library) FT_Done_FreeType(library);
}

// libopenmpt reports a bad module by catching its own exception: this fails without exception support.
void check_openmpt() {
  static const char junk[256] = "not a module";
  openmpt_module* module =
      openmpt_module_create_from_memory2(junk, sizeof junk, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  check(module == nullptr, "libopenmpt refuses a bad module");
  if (module) openmpt_module_destroy(module);
  const char* version = openmpt_get_string("library_version");
  std::printf("libopenmpt %s, zlib %s, libpng %s\n", version, zlibVersion(), png_get_libpng_ver(nullptr));
  openmpt_free_string(version);
}

// A window with an ES 3.0 context (WebGL 2) and Web Audio; only in a page, node has no canvas.
void check_sdl() {
  if (!EM_ASM_INT({ return typeof document !== 'undefined'; })) {
    std::printf("no page: SDL video and audio not tried\n");
    return;
  }
  check(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO | SDL_INIT_EVENTS) == 0, "SDL starts");
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
  SDL_Window* window = SDL_CreateWindow("smoke", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 320, 200,
                                        SDL_WINDOW_OPENGL);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
  check(context != nullptr, "ES 3.0 context");
  if (context) {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    std::printf("GL_VERSION %s\n", version ? version : "(none)");
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
  }
  SDL_AudioSpec want{};
  want.freq = 48000;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = 1024;
  SDL_AudioSpec have{};
  SDL_AudioDeviceID audio = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  check(audio != 0, "Web Audio device");
  if (audio) SDL_CloseAudioDevice(audio);
}

}  // namespace

int main() {
  check_turbojpeg();
  check_png();
  check_freetype();
  check_openmpt();
  check_sdl();
  std::printf("%s\n", failures ? "smoke: FAILED" : "smoke: all passed");
  return failures ? 1 : 0;
}
