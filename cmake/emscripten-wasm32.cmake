# Cross-compiling for the browser (WebAssembly) with Debian's emscripten, through its own platform file.
# KORVALE_WEB_PREFIX names the folder holding the cross-built libraries (scripts/build-web.sh).
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
if(DEFINED ENV{KORVALE_WEB_PREFIX})
  # Ours first: emscripten's sysroot carries stand-ins (an SDL2 package and sdl2-config that ask for its
  # downloaded port) that must not be found instead of the real libraries.
  list(PREPEND CMAKE_FIND_ROOT_PATH $ENV{KORVALE_WEB_PREFIX})
  set(SDL2_DIR $ENV{KORVALE_WEB_PREFIX}/lib/cmake/SDL2 CACHE PATH "" FORCE)
  set(ENV{PKG_CONFIG_LIBDIR} $ENV{KORVALE_WEB_PREFIX}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
  set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
endif()
