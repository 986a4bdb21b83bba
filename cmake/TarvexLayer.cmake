# One static library per layer. The repository root is the include root, so code names its
# headers by layer: #include "Base/TaskQueue.h".
function(tarvex_layer name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_DEPS} PRIVATE ${L_PRIVATE_DEPS})
endfunction()

# A GoogleTest program registered with CTest; LABELS let a sanitizer build run only its share.
function(tarvex_test name)
  cmake_parse_arguments(T "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_DEPS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${T_LABELS}")
endfunction()

# A benchmark program of one source file, named after it, seeing the repository root.
function(tarvex_bench name)
  cmake_parse_arguments(B "" "" "DEPS" ${ARGN})
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE ${B_DEPS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()
