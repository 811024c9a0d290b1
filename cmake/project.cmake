# Project-wide compiler settings for the three builds.
if(WIN32)
  enable_language(RC)
  # Windows programs run from a bare folder: no MinGW DLLs beside them.
  add_link_options(-static -static-libgcc -static-libstdc++ $<$<CONFIG:Release>:-s>)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-Wall -Wextra)
endif()

if(FUZZ)
  set(FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -g -O1)
  add_compile_options(${FUZZ_FLAGS})
  add_link_options(-fsanitize=address,undefined)
endif()

# Where the deliverables land: dist/<build>/.
if(NOT DIST_DIR)
  if(FUZZ)
    set(DIST_DIR ${CMAKE_BINARY_DIR}/dist)
  elseif(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(DIST_DIR ${CMAKE_SOURCE_DIR}/dist/win32)
  elseif(WIN32)
    set(DIST_DIR ${CMAKE_SOURCE_DIR}/dist/win64)
  else()
    set(DIST_DIR ${CMAKE_SOURCE_DIR}/dist/native)
  endif()
endif()

# project_install_program(target): copy a deliverable to dist/ after linking.
function(project_install_program target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DIST_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${DIST_DIR}/
    VERBATIM)
  set_property(GLOBAL APPEND PROPERTY PROJECT_PROGRAMS ${target})
endfunction()

# Header-only libraries from Debian's packages (stb, CLI11, nlohmann-json).
# Copied into the build tree, so the Windows builds can use them without
# putting the host's /usr/include on their include path.
set(HEADER_LIBS_DIR ${CMAKE_BINARY_DIR}/header-libs)
foreach(lib stb CLI nlohmann)
  if(EXISTS /usr/include/${lib} AND NOT EXISTS ${HEADER_LIBS_DIR}/${lib})
    file(COPY /usr/include/${lib} DESTINATION ${HEADER_LIBS_DIR})
  endif()
endforeach()
add_library(header_libs INTERFACE)
target_include_directories(header_libs SYSTEM INTERFACE ${HEADER_LIBS_DIR})
add_library(third_party::stb ALIAS header_libs)
add_library(third_party::cli11 ALIAS header_libs)
add_library(third_party::json ALIAS header_libs)
