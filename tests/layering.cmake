# Fails when a layer includes what lies above it: the reader library (src/ib, src/mbdb,
# src/kind, src/base, src/wztool, include/ib, include/util) no toolkit header and nothing of the
# program; the domain (src/common, src/domain, include/common, include/domain) nothing of
# src/window or src/app.
#   cmake -DSOURCE_DIR=<repo> -P layering.cmake
set(rules
  "src/ib|src/mbdb|src/kind|src/base|src/wztool|include/ib|include/util"
  "#[ \t]*include[ \t]*[<\"](wx/|window/|app/|domain/|common/)"
  "src/common|src/domain|include/common|include/domain"
  "#[ \t]*include[ \t]*[<\"](window/|app/)")
set(leaks "")
list(LENGTH rules n)
math(EXPR last "${n} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET rules ${i} folders)
  list(GET rules ${j} pattern)
  string(REPLACE "|" ";" folders "${folders}")
  foreach(folder IN LISTS folders)
    file(GLOB_RECURSE files ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp
         ${SOURCE_DIR}/${folder}/*.c)
    foreach(file IN LISTS files)
      file(STRINGS ${file} lines REGEX "${pattern}")
      foreach(line IN LISTS lines)
        file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
        string(APPEND leaks "${name}: ${line}\n")
      endforeach()
    endforeach()
  endforeach()
endforeach()
if(leaks)
  message(FATAL_ERROR "Includes across the layers:\n${leaks}")
endif()
message(STATUS "No include crosses the layers")
