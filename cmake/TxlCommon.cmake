# Compiler settings every target of txl shares.
add_library(txl_common_cfg INTERFACE)
target_compile_features(txl_common_cfg INTERFACE cxx_std_20)
target_compile_options(txl_common_cfg INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)
target_compile_definitions(txl_common_cfg INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT QT_NO_KEYWORDS)
if(TXL_WERROR)
  target_compile_options(txl_common_cfg INTERFACE -Werror)
endif()
if(TXL_SANITIZE)
  target_compile_options(txl_common_cfg INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=all)
  target_link_options(txl_common_cfg INTERFACE -fsanitize=address,undefined)
endif()

# txl_add_test(NAME SOURCES... LIBS ...): one QtTest program, run headless in a fixed locale.
function(txl_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE txl_common_cfg Qt6::Test ${T_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=zh_CN.UTF-8;LC_ALL=zh_CN.UTF-8;TZ=Asia/Shanghai;TXL_SOURCE_DIR=${PROJECT_SOURCE_DIR};XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config"
    TIMEOUT 600)
endfunction()

# txl_check_links(LIB): a program made of every object of LIB and of the libraries LIB declares.
# A unit that calls into a library LIB does not link (a sign-in window creating the main window)
# leaves an undefined symbol, and the build stops here instead of the dependency going unseen.
function(txl_check_links lib)
  add_executable(${lib}_links ${PROJECT_SOURCE_DIR}/cmake/links_main.cpp)
  target_link_libraries(${lib}_links PRIVATE txl_common_cfg "$<LINK_LIBRARY:WHOLE_ARCHIVE,${lib}>")
endfunction()
