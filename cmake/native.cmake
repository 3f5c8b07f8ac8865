# Native tree: the table logic against the fake desk, under ASan and UBSan.
option(RUPONE_SANITIZE "Build the native tests with ASan and UBSan" ON)
if(RUPONE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

add_library(rupone_logic STATIC ${RUPONE_LOGIC_SOURCES})
target_include_directories(rupone_logic PUBLIC src)
target_compile_options(rupone_logic PRIVATE ${RUPONE_WARNINGS})

find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB RUPONE_UNIT_TESTS CONFIGURE_DEPENDS tests/unit/*.cpp)
add_executable(unit_tests ${RUPONE_UNIT_TESTS} tests/support/fake_desk.cpp)
target_include_directories(unit_tests PRIVATE tests)
target_compile_options(unit_tests PRIVATE ${RUPONE_WARNINGS})
target_link_libraries(unit_tests PRIVATE rupone_logic GTest::gtest GTest::gtest_main)
gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST)
