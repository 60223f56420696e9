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
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=zh_CN.UTF-8;LC_ALL=zh_CN.UTF-8;TZ=Asia/Shanghai;TXL_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
    TIMEOUT 600)
endfunction()
