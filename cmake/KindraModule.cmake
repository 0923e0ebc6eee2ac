# Shared compile settings and the module helper every library uses.

add_library(kindra_options INTERFACE)
target_compile_options(kindra_options INTERFACE -Wall -Wextra)
if(KINDRA_WERROR)
  target_compile_options(kindra_options INTERFACE -Werror)
endif()
if(KINDRA_FUZZ)
  # every library instrumented for coverage; only fuzz targets link the fuzzer main
  target_compile_options(kindra_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g)
  target_link_options(kindra_options INTERFACE -fsanitize=address,undefined)
elseif(KINDRA_SANITIZE)
  target_compile_options(kindra_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(kindra_options INTERFACE -fsanitize=address,undefined)
endif()
if(KINDRA_COVERAGE)
  # unoptimised so that every source line maps to counted code
  target_compile_options(kindra_options INTERFACE --coverage -O0 -g)
  target_link_options(kindra_options INTERFACE --coverage)
endif()

# kindra_module(<name> SOURCES ... [DEPS ...] [PRIVATE_DEPS ...])
# Builds the static library zelkor_<name> with its public headers in include/.
function(kindra_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  set(target zelkor_${name})
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  target_link_libraries(${target} PUBLIC kindra_options ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()
