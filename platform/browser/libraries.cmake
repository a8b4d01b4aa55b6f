# The libraries of the browser build, built for WebAssembly from Debian's source packages by
# scripts/build-web-deps.sh, which names their install prefixes in the environment (its
# env.sh). stb, a set of headers, is Debian's own.
add_library(vornex_browser_libraries INTERFACE)
foreach(name SDL2 SPIRV_TOOLS GLSLANG SPIRV_CROSS FREETYPE)
  set(prefix "$ENV{VORNEX_WEB_${name}}")
  if(NOT IS_DIRECTORY "${prefix}/lib")
    message(FATAL_ERROR "VORNEX_WEB_${name} (\"${prefix}\") names no library built for the browser: "
                        "run scripts/build-web-deps.sh and source the env.sh it writes")
  endif()
  # WebAssembly's linker finds symbols in static libraries in any order.
  file(GLOB archives "${prefix}/lib/*.a")
  target_link_libraries(vornex_browser_libraries INTERFACE ${archives})
  target_include_directories(vornex_browser_libraries SYSTEM INTERFACE "${prefix}/include")
endforeach()
target_include_directories(vornex_browser_libraries SYSTEM INTERFACE
  "$ENV{VORNEX_WEB_SDL2}/include/SDL2" "$ENV{VORNEX_WEB_FREETYPE}/include/freetype2")

# Debian's stb headers, seen through a folder of their own: the rest of /usr/include is the
# desktop's and must stay out of a WebAssembly build.
if(NOT EXISTS /usr/include/stb/stb_image.h)
  message(FATAL_ERROR "/usr/include/stb/stb_image.h is missing (Debian package libstb-dev)")
endif()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/debian-headers)
file(CREATE_LINK /usr/include/stb ${CMAKE_BINARY_DIR}/debian-headers/stb SYMBOLIC)
target_include_directories(vornex_browser_libraries SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/debian-headers)
