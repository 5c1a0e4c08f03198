# quillet_add_library(<name>
#     [SOURCES <file>...]                 none: a header-only library
#     [LIBS <target>...]                  what it and its users link
#     [PRIVATE_LIBS <target>...]          what only it links
#     [QT])                               runs moc over its headers
# Every library is included from the top of the tree ("aprs/kiss.h"), so its users need no
# include path of their own.
function(quillet_add_library name)
  cmake_parse_arguments(L "QT" "" "SOURCES;LIBS;PRIVATE_LIBS" ${ARGN})
  if(NOT L_SOURCES)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${L_LIBS})
    return()
  endif()
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_LIBS} PRIVATE ${L_PRIVATE_LIBS})
  if(L_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
endfunction()

# quillet_add_fuzz_target(<name> LIBS <target>...): <name>.cpp under libFuzzer.
function(quillet_add_fuzz_target name)
  cmake_parse_arguments(F "" "" "LIBS" ${ARGN})
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
