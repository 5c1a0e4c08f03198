# quillet_add_test(<name>
#     SOURCES <file>...                   the test's sources
#     [LIBS <target>...]                  what it links besides the test framework
#     [GTEST]                             GoogleTest with its own main: every case is a ctest test
#     [QT]                                QtTest (or GoogleTest with a main of its own): one ctest test
#     [INTEGRATION]                       label "integration" instead of "unit"
#     [DBUS]                              runs inside a private session bus (dbus-run-session)
#     [X11]                               needs the real X display: xcb platform, the display lock
#                                         and the label "display" (what scripts/soak.sh runs)
#     [TIMEOUT <seconds>]                 default 60
#     [PREFIX <text>]                     ctest name prefix for GoogleTest cases
#     [DEFINES <NAME=value>...]           compile definitions
#     [DEPENDS <target>...]               programs the test starts, built first
#     [ENVIRONMENT <NAME=value>...])
# Without X11 the Qt platform is "offscreen", so window tests need no display.
function(quillet_add_test name)
  cmake_parse_arguments(T "GTEST;QT;INTEGRATION;DBUS;X11" "TIMEOUT;PREFIX"
    "SOURCES;LIBS;DEFINES;DEPENDS;ENVIRONMENT" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  set(label unit)
  if(T_INTEGRATION)
    set(label integration)
  endif()
  set(env ${T_ENVIRONMENT})
  if(T_X11)
    list(APPEND env QT_QPA_PLATFORM=xcb)
  else()
    list(APPEND env QT_QPA_PLATFORM=offscreen)
  endif()

  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS})
  if(T_DEFINES)
    target_compile_definitions(${name} PRIVATE ${T_DEFINES})
  endif()
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()

  if(T_GTEST AND NOT T_DBUS AND NOT T_X11)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
    gtest_discover_tests(${name} TEST_PREFIX "${T_PREFIX}"
      PROPERTIES LABELS ${label} TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}"
      DISCOVERY_TIMEOUT 30)
    return()
  endif()

  if(T_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE Qt6::Test)
  elseif(T_GTEST)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  set(command $<TARGET_FILE:${name}>)
  if(T_DBUS)
    set(command dbus-run-session -- ${command})
  endif()
  add_test(NAME ${name} COMMAND ${command})
  set_tests_properties(${name} PROPERTIES LABELS ${label} TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "${env}")
  if(T_X11)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK x11_display LABELS "${label};display")
  endif()
endfunction()
