# One static library per layer; its sources are the .cpp files of its folder (and
# subfolders, less EXCLUDE), so adding a unit needs no edit here.
function(kestrel_layer target)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# Tests that make threads meet carry the label "threads", which the ThreadSanitizer run
# of ./test selects (ctest -L threads): a test whose suite or test name holds one of
# these words. Name a new test that way when it crosses threads (a worker, a cancel
# from another thread, progress from a worker, a call into the GUI thread) and it is
# in that run.
set(KESTREL_THREAD_TEST_WORDS "Thread|Worker|Cancel|Progress|Synchroni[sz]e")

# One GoogleTest binary per test folder, from every .cpp in it and its subfolders, less
# a subfolder with a CMakeLists.txt of its own: that one is another binary.
function(kestrel_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB_RECURSE own_lists CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  foreach(own_list ${own_lists})
    get_filename_component(subfolder ${own_list} DIRECTORY)
    foreach(source ${sources})
      string(FIND "${source}" "${subfolder}/" at)
      if(at EQUAL 0)
        list(REMOVE_ITEM sources ${source})
      endif()
    endforeach()
  endforeach()
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  include(GoogleTest)
  # The Ethernet discovery of a window made as the program makes it asks where the
  # environment says, else on the broadcast address: a test that forgets to name a
  # loopback target of its own still sends nothing off this machine (port 9 discards).
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT
               "QT_QPA_PLATFORM=offscreen;KESTREL_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR};KESTREL_DISCOVERY_TARGET=127.0.0.1:9"
               TIMEOUT 120)
  # Runs after the discovered tests are defined (gtest's include file comes first).
  set(labels ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
  file(WRITE ${labels}
       "foreach(test IN LISTS ${name}_TESTS)\n"
       "  string(REGEX REPLACE \"  #.*\" \"\" bare \"\${test}\")\n"
       "  if(bare MATCHES \"${KESTREL_THREAD_TEST_WORDS}\")\n"
       "    set_tests_properties(\"\${test}\" PROPERTIES LABELS threads)\n"
       "  endif()\n"
       "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${labels})
endfunction()
