# corvane_options carries the flags every target of ours shares. It deliberately has no GTK,
# GLib or WebKit include path: only src/platform/gtk links those.
add_library(corvane_options INTERFACE)
target_include_directories(corvane_options INTERFACE ${PROJECT_SOURCE_DIR}/src)
target_compile_features(corvane_options INTERFACE cxx_std_20)
target_compile_options(corvane_options INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough -Wformat=2)
if(CORVANE_WERROR)
    target_compile_options(corvane_options INTERFACE -Werror)
endif()

if(CORVANE_SANITIZE)
    set(CORVANE_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
        -fno-omit-frame-pointer)
    add_compile_options(${CORVANE_SANITIZER_FLAGS})
    add_link_options(${CORVANE_SANITIZER_FLAGS})
endif()

if(CORVANE_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "CORVANE_FUZZ needs clang (CXX=clang++)")
    endif()
    # Everything is instrumented for coverage; only the harnesses link the fuzzer's main.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()


# corvane_module(TARGET LIBS...) builds every .cpp file of the calling folder into one static
# library (an interface library while the folder has only headers), linked to LIBS.
function(corvane_module name)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(sources)
        add_library(${name} STATIC ${sources})
        target_link_libraries(${name} PUBLIC corvane_options ${ARGN})
    else()
        add_library(${name} INTERFACE)
        target_link_libraries(${name} INTERFACE corvane_options ${ARGN})
    endif()
endfunction()
