# Windows tree: rupone.exe, the in-process tests and the end-to-end driver, all run under Wine.
enable_language(RC)
add_link_options(-static -static-libgcc -static-libstdc++)
add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0A00 WINVER=0x0A00)

set(RUPONE_SHELL_SOURCES
  src/app/help_win32.cpp
  src/app/hint_win32.cpp
  src/app/main_win32.cpp
  src/app/panel_win32.cpp
  src/cards/card_window_win32.cpp
  src/desk/accessible_win32.cpp
  src/desk/desk_win32.cpp
  src/desk/files_win32.cpp
  src/desk/dialog_fit_win32.cpp
  src/desk/ui_font_win32.cpp
  src/dialogs/icon_button_win32.cpp
  src/dialogs/settings_win32.cpp
  src/dialogs/share_win32.cpp
  src/dialogs/takeout_win32.cpp
  src/faces/picture_win32.cpp
  src/faces/render_win32.cpp
  src/share/broker_win32.cpp
  src/share/envelope_win32.cpp
  src/share/seal_win32.cpp
  src/share/session_win32.cpp
)
set(RUPONE_SYSTEM_LIBS user32 gdi32 gdiplus comctl32 imm32 winmm shell32 shlwapi msimg32 version comdlg32 bcrypt normaliz ws2_32 advapi32 ole32 oleacc oleaut32 uuid)

add_library(rupone_core STATIC ${RUPONE_LOGIC_SOURCES} ${RUPONE_SHELL_SOURCES})
target_include_directories(rupone_core PUBLIC src)
target_compile_options(rupone_core PRIVATE ${RUPONE_WARNINGS})
target_link_libraries(rupone_core PUBLIC ${RUPONE_SYSTEM_LIBS})

file(GLOB RUPONE_ASSETS CONFIGURE_DEPENDS src/res/assets/*)
set_source_files_properties(src/res/rupone.rc PROPERTIES
  OBJECT_DEPENDS "${RUPONE_ASSETS};${CMAKE_SOURCE_DIR}/src/res/ids.h;${CMAKE_SOURCE_DIR}/src/res/rupone.manifest")

# The manual, built from docs/help beside the program (chmcmd, from Debian's fp-utils).
find_program(RUPONE_CHMCMD chmcmd)
find_package(Python3 COMPONENTS Interpreter)
if(RUPONE_CHMCMD AND Python3_FOUND)
  file(GLOB_RECURSE RUPONE_HELP_PAGES CONFIGURE_DEPENDS docs/help/*)
  add_custom_command(OUTPUT "${CMAKE_BINARY_DIR}/ルポネ.chm"
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/make_help.py ${CMAKE_SOURCE_DIR}/docs/help "${CMAKE_BINARY_DIR}/ルポネ.chm"
    DEPENDS ${RUPONE_HELP_PAGES} ${CMAKE_SOURCE_DIR}/tools/make_help.py
    COMMENT "Building the manual")
  add_custom_target(manual ALL DEPENDS "${CMAKE_BINARY_DIR}/ルポネ.chm")
  add_test(NAME ManualListsEveryPageAndEveryLinkResolves
    COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/check_help.py "${CMAKE_BINARY_DIR}/ルポネ.chm" ${CMAKE_SOURCE_DIR}/docs/help)
else()
  message(STATUS "chmcmd not found: the manual is not built")
endif()

add_executable(rupone WIN32 src/app/entry_win32.cpp src/res/rupone.rc)
target_compile_options(rupone PRIVATE -municode ${RUPONE_WARNINGS})
target_link_options(rupone PRIVATE -municode)
target_link_libraries(rupone PRIVATE rupone_core)

# GoogleTest from Debian's sources, built for Windows.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# A program that holds the Wine desktop open for the whole test run.
add_executable(keeper WIN32 tests/support/keeper_win32.cpp)

# Helper the run script uses to wait for the table and close it through its panel.
add_executable(tablectl tests/support/tablectl_win32.cpp)
target_link_libraries(tablectl PRIVATE user32)

file(GLOB RUPONE_WIN32_TESTS CONFIGURE_DEPENDS tests/win32/*.cpp)
add_executable(win32_tests ${RUPONE_WIN32_TESTS} src/res/rupone.rc)
target_include_directories(win32_tests PRIVATE tests)
target_compile_options(win32_tests PRIVATE ${RUPONE_WARNINGS})
target_link_libraries(win32_tests PRIVATE rupone_core gtest gtest_main)
# The manual's sources, as the Wine tests see them (Z: is the root of the Linux file system).
target_compile_definitions(win32_tests PRIVATE RUPONE_HELP_SOURCES=L"Z:${CMAKE_SOURCE_DIR}/docs/help")
gtest_discover_tests(win32_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES RESOURCE_LOCK desktop TIMEOUT 120)

file(GLOB RUPONE_E2E_TESTS CONFIGURE_DEPENDS tests/e2e/*.cpp)
add_executable(e2e_tests ${RUPONE_E2E_TESTS} src/deck/state_file.cpp)
target_include_directories(e2e_tests PRIVATE tests src)
target_compile_options(e2e_tests PRIVATE ${RUPONE_WARNINGS})
target_compile_definitions(e2e_tests PRIVATE RUPONE_EXE_NAME=L"rupone.exe")
target_link_libraries(e2e_tests PRIVATE gtest gtest_main user32 gdi32 comctl32 shlwapi)
add_dependencies(e2e_tests rupone)
gtest_discover_tests(e2e_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES RESOURCE_LOCK desktop TIMEOUT 180)

# One player of the two-player test (scripts/share_two.py), in that player's own prefix.
add_executable(player tests/support/player_win32.cpp tests/e2e/driver.cpp src/deck/state_file.cpp)
target_include_directories(player PRIVATE tests src)
target_compile_options(player PRIVATE ${RUPONE_WARNINGS})
target_compile_definitions(player PRIVATE RUPONE_EXE_NAME=L"rupone.exe")
target_link_libraries(player PRIVATE user32 gdi32)
add_dependencies(player rupone)

# Random play of the real program; the test command plays for a minute (scripts/soak.sh for longer).
add_executable(soak tests/soak/soak_win32.cpp tests/e2e/driver.cpp src/deck/state_file.cpp)
target_include_directories(soak PRIVATE tests src)
target_compile_options(soak PRIVATE ${RUPONE_WARNINGS})
target_compile_definitions(soak PRIVATE RUPONE_EXE_NAME=L"rupone.exe")
target_link_libraries(soak PRIVATE user32 gdi32)
add_dependencies(soak rupone)
add_test(NAME SoakOneMinute COMMAND soak 60)
set_tests_properties(SoakOneMinute PROPERTIES RESOURCE_LOCK desktop TIMEOUT 240)

# rupone.exe must run with the system's DLLs alone.
add_test(NAME ImportsOnlySystemDlls COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check-imports.sh $<TARGET_FILE:rupone>)

# What one save costs on the real window system (not a test): save_bench N.
add_executable(save_bench bench/save_bench_win32.cpp)
target_include_directories(save_bench PRIVATE tests)
target_link_libraries(save_bench PRIVATE rupone_core)

# What face pictures cost in memory and composing time (not a test): picture_bench.
add_executable(picture_bench bench/picture_bench_win32.cpp)
target_include_directories(picture_bench PRIVATE tests)
target_link_libraries(picture_bench PRIVATE rupone_core psapi)
target_compile_options(picture_bench PRIVATE -municode)
target_link_options(picture_bench PRIVATE -municode)

# What the settings dialog costs to open and to apply a new card size (not a test): settings_bench [N...].
add_executable(settings_bench bench/settings_bench_win32.cpp src/res/rupone.rc)
target_include_directories(settings_bench PRIVATE tests)
target_link_libraries(settings_bench PRIVATE rupone_core)

# What holding a pile-move key costs per step (not a test): keyboard_bench [N].
add_executable(keyboard_bench bench/keyboard_bench_win32.cpp)
target_include_directories(keyboard_bench PRIVATE tests)
target_link_libraries(keyboard_bench PRIVATE rupone_core)

# What the take-out dialog costs on a full table (not a test): takeout_bench [N].
add_executable(takeout_bench bench/takeout_bench_win32.cpp src/res/rupone.rc)
target_include_directories(takeout_bench PRIVATE tests)
target_link_libraries(takeout_bench PRIVATE rupone_core)

# A gallery of composed faces, to look at (not a test).
add_executable(face_gallery tests/support/face_gallery_win32.cpp)
target_link_libraries(face_gallery PRIVATE rupone_core)

# What the whole-table scans cost (not a test): scans_bench [N].
add_executable(scans_bench bench/scans_bench_win32.cpp)
target_include_directories(scans_bench PRIVATE tests)
target_link_libraries(scans_bench PRIVATE rupone_core)

# The real program driven from outside beside a bare program doing the same window work (not a
# test): probe [--runs R] N...
add_executable(probe bench/probe_win32.cpp tests/e2e/driver.cpp src/deck/state_file.cpp)
target_include_directories(probe PRIVATE tests src)
target_compile_definitions(probe PRIVATE RUPONE_EXE_NAME=L"rupone.exe")
target_compile_options(probe PRIVATE -municode)
target_link_options(probe PRIVATE -municode)
target_link_libraries(probe PRIVATE user32 gdi32 ntdll)
add_dependencies(probe rupone)
