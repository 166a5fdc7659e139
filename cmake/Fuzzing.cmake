# The fuzz build: clang's libFuzzer with address and undefined-behaviour sanitizers.
# Every library is compiled with coverage instrumentation (fuzzer-no-link); only the
# targets in tests/fuzz link the fuzzer's main. Configure a separate build folder:
#   CXX=clang++ CC=clang cmake -S . -B build-fuzz -G Ninja -DAUTOPLACER_FUZZ=ON \
#       -DAUTOPLACER_BUILD_TESTS=OFF -DAUTOPLACER_BUILD_BENCH=OFF
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "AUTOPLACER_FUZZ needs clang (configure with CXX=clang++ CC=clang)")
endif()

include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS "-fsanitize=fuzzer,address,undefined")
set(CMAKE_REQUIRED_LINK_OPTIONS "-fsanitize=fuzzer,address,undefined")
check_cxx_source_compiles([[
#include <cstddef>
#include <cstdint>
extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }
]] AUTOPLACER_HAVE_LIBFUZZER)
unset(CMAKE_REQUIRED_FLAGS)
unset(CMAKE_REQUIRED_LINK_OPTIONS)
if(NOT AUTOPLACER_HAVE_LIBFUZZER)
  message(FATAL_ERROR "clang cannot link libFuzzer: install libclang-rt-14-dev (scripts/setup.sh --fuzz)")
endif()

add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
