# cmake -DFOLDER=<folder> -P CheckCoreIncludes.cmake
#
# Fails, naming each file and line, when a source or header under the folder includes a
# Qt header (<QWidget>, <QtWidgets/...>, <qwidget.h>) or a header of the windows
# ("app/ui/..."): the program's core is built and tested without any window system.
if(NOT IS_DIRECTORY "${FOLDER}")
  message(FATAL_ERROR "CheckCoreIncludes: no folder '${FOLDER}'")
endif()
file(GLOB_RECURSE files "${FOLDER}/*.h" "${FOLDER}/*.cpp")
if(NOT files)
  message(FATAL_ERROR "CheckCoreIncludes: nothing to check in ${FOLDER}")
endif()

set(pattern "^[ \t]*#[ \t]*include[ \t]*[<\"](Qt[A-Za-z]*/|Q[A-Z]|q[a-z0-9_]*\\.h|app/ui/)")
set(offences 0)
foreach(file ${files})
  file(STRINGS "${file}" includes REGEX "${pattern}")
  foreach(line ${includes})
    file(RELATIVE_PATH name "${FOLDER}" "${file}")
    message("${name}: ${line}")
    math(EXPR offences "${offences} + 1")
  endforeach()
endforeach()
list(LENGTH files checked)
if(offences GREATER 0)
  message(FATAL_ERROR "CheckCoreIncludes: ${offences} include(s) of Qt or of the windows in ${FOLDER}")
endif()
message("CheckCoreIncludes: ${checked} files, no include of Qt or of the windows")
