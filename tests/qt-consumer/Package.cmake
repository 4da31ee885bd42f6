# SPDX-License-Identifier: MIT
# The package as a host gets it, one STEP per test:
#   install       install into a fresh prefix (the library exports the widget
#                 only); the consumer finds it with find_package, and again
#                 through pkg-config, and types "hello"
#   subdirectory  the consumer adds the sources with neither GoogleTest nor
#                 nlohmann-json available, and its CTest holds its own test only
#   deb           cpack -G DEB; the packages hold the library, headers, CMake
#                 and pkg-config files
#   readme        docs/qt.md's complete example is the consumer's source, and
#                 each line of the README's short one stands in it
# cmake -DSTEP=... -DSOURCE_DIR=... -DBUILD_DIR=... -DWORK_DIR=... -DGENERATOR=... -DCXX=... -P Package.cmake
set(consumer_source ${SOURCE_DIR}/tests/qt-consumer)

function(Run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    string(JOIN " " command ${ARGN})
    message(FATAL_ERROR "${command}\nfailed (${status}):\n${output}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

function(BuildAndRunConsumer)
  set(consumer ${WORK_DIR}/consumer)
  Run(${CMAKE_COMMAND} -S ${consumer_source} -B ${consumer} -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX} ${ARGN})
  Run(${CMAKE_COMMAND} --build ${consumer} -j2)
  Run(${CMAKE_CTEST_COMMAND} --test-dir ${consumer} -N)
  if(NOT output MATCHES "Total Tests: 1\n")
    message(FATAL_ERROR "the consumer's CTest holds tests besides its own:\n${output}")
  endif()
  Run(${CMAKE_CTEST_COMMAND} --test-dir ${consumer} --output-on-failure)
endfunction()

if(STEP STREQUAL "readme")
  file(READ ${SOURCE_DIR}/docs/qt.md page)
  file(READ ${consumer_source}/main.cpp example)
  string(FIND "${page}" "```cpp\n${example}```\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "docs/qt.md has no ```cpp block equal to tests/qt-consumer/main.cpp")
  endif()
  # The README's section on the widget: its C++ lines, each a whole line of the
  # consumer. Lines are cut out by position, as C++ holds the semicolons that
  # would split a CMake list.
  file(READ ${SOURCE_DIR}/README.md readme)
  string(FIND "${readme}" "\n## Using the Qt widget\n" start)
  if(start EQUAL -1)
    message(FATAL_ERROR "README.md has no section \"Using the Qt widget\"")
  endif()
  string(SUBSTRING "${readme}" ${start} -1 section)
  string(SUBSTRING "${section}" 1 -1 section)
  string(FIND "${section}" "\n## " end)
  if(NOT end EQUAL -1)
    string(SUBSTRING "${section}" 0 ${end} section)
  endif()
  set(consumer "\n${example}")
  set(in_cpp FALSE)
  set(checked 0)
  string(APPEND section "\n")
  while(NOT section STREQUAL "")
    string(FIND "${section}" "\n" eol)
    string(SUBSTRING "${section}" 0 ${eol} line)
    math(EXPR next "${eol} + 1")
    string(SUBSTRING "${section}" ${next} -1 section)
    if(line STREQUAL "```cpp")
      set(in_cpp TRUE)
    elseif(line MATCHES "^```")
      set(in_cpp FALSE)
    elseif(in_cpp AND NOT line MATCHES "^ *$")
      string(FIND "${consumer}" "\n${line}\n" at)
      if(at EQUAL -1)
        message(FATAL_ERROR "a line of README.md's Qt example is not in tests/qt-consumer/main.cpp: ${line}")
      endif()
      math(EXPR checked "${checked} + 1")
    endif()
  endwhile()
  if(checked EQUAL 0)
    message(FATAL_ERROR "README.md's section \"Using the Qt widget\" shows no C++ lines")
  endif()
  return()
endif()

file(REMOVE_RECURSE ${WORK_DIR})
if(STEP STREQUAL "install")
  set(prefix ${WORK_DIR}/prefix)
  Run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
  # Of the project's own code the library exports the widget's class only.
  file(GLOB library ${prefix}/*/libVexoKeyBordWidget.so)
  Run(nm -DC --defined-only ${library})
  string(REGEX MATCHALL "[^\n]*vexo::[^\n]*" exported "${output}")
  list(FILTER exported EXCLUDE REGEX " (vexo::KeyBordWidget::|(typeinfo|typeinfo name|vtable) for vexo::KeyBordWidget$)")
  if(exported)
    string(JOIN "\n" exported ${exported})
    message(FATAL_ERROR "the library exports internals:\n${exported}")
  endif()
  BuildAndRunConsumer(-DCMAKE_PREFIX_PATH=${prefix})
  # The same source built by hand with what pkg-config says.
  file(GLOB_RECURSE pc_file ${prefix}/*/vexokeybord.pc)
  get_filename_component(pc_dir "${pc_file}" DIRECTORY)
  Run(${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${pc_dir} pkg-config --cflags --libs vexokeybord)
  separate_arguments(flags UNIX_COMMAND "${output}")
  Run(${CXX} -std=c++17 -fPIC ${consumer_source}/main.cpp -o ${WORK_DIR}/consumer-pc ${flags})
  get_filename_component(lib_dir "${pc_dir}" DIRECTORY)
  Run(${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen LD_LIBRARY_PATH=${lib_dir} ${WORK_DIR}/consumer-pc)
elseif(STEP STREQUAL "subdirectory")
  BuildAndRunConsumer(-DVEXO_KEYBORD_SOURCE_DIR=${SOURCE_DIR}
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON
    -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON)
elseif(STEP STREQUAL "deb")
  Run(${CMAKE_CPACK_COMMAND} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR})
  file(GLOB debs ${WORK_DIR}/*.deb)
  set(contents "")
  foreach(deb IN LISTS debs)
    Run(dpkg-deb -c ${deb})
    string(APPEND contents "${output}")
  endforeach()
  foreach(path
      "/usr/lib/[^ ]*libVexoKeyBordWidget\\.so\\.1\\.0\\.0\n"
      "/usr/lib/[^ ]*libVexoKeyBordWidget\\.so -> "
      "/usr/include/vexo/KeyBordWidget\\.h\n" "/usr/include/vexo/Export\\.h\n" "/usr/include/vexo/Version\\.h\n"
      "/usr/lib/[^ ]*cmake/VexoKeyBord/VexoKeyBordConfig\\.cmake\n"
      "/usr/lib/[^ ]*cmake/VexoKeyBord/VexoKeyBordConfigVersion\\.cmake\n"
      "/usr/lib/[^ ]*cmake/VexoKeyBord/VexoKeyBordTargets\\.cmake\n"
      "/usr/lib/[^ ]*pkgconfig/vexokeybord\\.pc\n"
      "/usr/share/doc/libvexokeybord1/copyright\n" "/usr/share/doc/libvexokeybord-dev/copyright\n")
    if(NOT contents MATCHES "${path}")
      message(FATAL_ERROR "no ${path} in the packages:\n${contents}")
    endif()
  endforeach()
else()
  message(FATAL_ERROR "unknown STEP '${STEP}'")
endif()
