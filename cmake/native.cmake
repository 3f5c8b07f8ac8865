# Native trees. The default one runs the table logic against the fake desk under ASan and UBSan;
# RUPONE_BENCH builds the benchmarks (optimised, no sanitizers); RUPONE_FUZZ the libFuzzer targets
# (clang).
option(RUPONE_SANITIZE "Build with ASan and UBSan" ON)
option(RUPONE_BENCH "Build the benchmarks instead of the tests" OFF)
option(RUPONE_FUZZ "Build the fuzz targets instead of the tests (clang)" OFF)

if(RUPONE_FUZZ)
  # The reader alone (fast, broad), the whole start-up path on the fake desk (deep), the shared
  # table's messages, and the generators of their seeds.
  add_executable(state_fuzz tests/fuzz/state_fuzz.cpp src/deck/state_file.cpp)
  add_executable(load_fuzz tests/fuzz/load_fuzz.cpp ${RUPONE_LOGIC_SOURCES} tests/support/fake_desk.cpp)
  add_executable(message_fuzz tests/fuzz/message_fuzz.cpp src/share/message.cpp src/share/replica.cpp)
  foreach(target state_fuzz load_fuzz message_fuzz)
    target_include_directories(${target} PRIVATE src tests)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined ${RUPONE_WARNINGS})
    target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
  endforeach()
  add_executable(make_state_seeds tests/fuzz/make_seeds.cpp src/deck/state_file.cpp)
  target_include_directories(make_state_seeds PRIVATE src)
  add_executable(make_message_seeds tests/fuzz/make_message_seeds.cpp ${RUPONE_LOGIC_SOURCES} tests/support/fake_desk.cpp)
  target_include_directories(make_message_seeds PRIVATE src tests)
  return()
endif()

if(RUPONE_SANITIZE AND NOT RUPONE_BENCH)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

add_library(rupone_logic STATIC ${RUPONE_LOGIC_SOURCES})
target_include_directories(rupone_logic PUBLIC src)
target_compile_options(rupone_logic PRIVATE ${RUPONE_WARNINGS})

if(RUPONE_BENCH)
  find_package(benchmark REQUIRED)
  file(GLOB RUPONE_BENCHES CONFIGURE_DEPENDS bench/*.cpp)
  list(FILTER RUPONE_BENCHES EXCLUDE REGEX "_win32\\.cpp$")  # those run on the real window system
  add_executable(benchmarks ${RUPONE_BENCHES} tests/support/fake_desk.cpp)
  target_include_directories(benchmarks PRIVATE tests)
  target_link_libraries(benchmarks PRIVATE rupone_logic benchmark::benchmark)
  return()
endif()

find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB RUPONE_UNIT_TESTS CONFIGURE_DEPENDS tests/unit/*.cpp)
add_executable(unit_tests ${RUPONE_UNIT_TESTS} tests/support/fake_desk.cpp)
target_include_directories(unit_tests PRIVATE tests)
target_compile_options(unit_tests PRIVATE ${RUPONE_WARNINGS})
target_link_libraries(unit_tests PRIVATE rupone_logic GTest::gtest GTest::gtest_main)
gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST)
