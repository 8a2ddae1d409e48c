# Fails when a layer includes what it may not use. The layers, from the bottom:
#   library  src/ib, src/mbdb, src/kind, src/base, src/wztool, include/ib, include/util:
#            no toolkit header and nothing of the program (domain, common, window, app)
#   domain   src/common, src/domain, include/common, include/domain: nothing of the windows or
#            the program, and of the reader only its public header (ib/wz_ib.h)
#   window   src/window: nothing of the program (app), and of the reader only ib/wz_ib.h
#   app      src/app: of the reader only ib/wz_ib.h
#   cmake -DSOURCE_DIR=<repo> -P layering.cmake
#   cmake -DSELF_CHECK=ON -DWORK_DIR=<empty folder> -P layering.cmake
# The second form plants one leak per layer in a tree of its own under WORK_DIR, beside an
# include the layer may use, and fails unless the check reports exactly the planted leaks.

set(include_of "#[ \t]*include[ \t]*[<\"]")
# The reader's own folders, except its public header.
set(reader_internals "(ib/(backup_list|ib_util|plist_guard|xml_plist_check)|kind/|mbdb/)")
set(layers library domain window app)
set(library_folders src/ib src/mbdb src/kind src/base src/wztool include/ib include/util)
set(library_pattern "${include_of}(wx/|window/|app/|domain/|common/)")
set(domain_folders src/common src/domain include/common include/domain)
set(domain_pattern "${include_of}(window/|app/|${reader_internals})")
set(window_folders src/window)
set(window_pattern "${include_of}(app/|${reader_internals})")
set(app_folders src/app)
set(app_pattern "${include_of}${reader_internals}")

# Sets out to the lines "<file>: <include>" of every include under root that crosses a layer.
function(find_leaks root out)
  set(leaks "")
  foreach(layer IN LISTS layers)
    foreach(folder IN LISTS ${layer}_folders)
      file(GLOB_RECURSE files ${root}/${folder}/*.h ${root}/${folder}/*.cpp ${root}/${folder}/*.c)
      foreach(file IN LISTS files)
        file(STRINGS ${file} lines REGEX "${${layer}_pattern}")
        file(RELATIVE_PATH name ${root} ${file})
        foreach(line IN LISTS lines)
          string(APPEND leaks "${name}: ${line}\n")
        endforeach()
      endforeach()
    endforeach()
  endforeach()
  set(${out} "${leaks}" PARENT_SCOPE)
endfunction()

if(SELF_CHECK)
  # Per layer: a file of the layer, the include it must not have, and one it may have.
  set(cases
    "src/kind/planted.cpp" "wx/string.h" "kind/kind.h"
    "src/ib/planted.h" "domain/kind_obj.h" "ib/wz_ib.h"
    "src/domain/planted.cpp" "window/base/rk_grid.h" "common/task_thread.h"
    "include/domain/planted.h" "kind/sqlite_db.h" "ib/wz_ib.h"
    "src/window/content/planted.cpp" "app/main_app.h" "domain/kind_obj.h"
    "src/window/base/planted.h" "mbdb/mbdb.h" "ib/wz_ib.h"
    "src/app/planted.cpp" "ib/backup_list.h" "window/base/title_window.h")
  list(LENGTH cases n)
  math(EXPR last "${n} - 1")
  set(failures "")
  foreach(i RANGE 0 ${last} 3)
    math(EXPR j "${i} + 1")
    math(EXPR k "${i} + 2")
    list(GET cases ${i} file)
    list(GET cases ${j} leak)
    list(GET cases ${k} allowed)
    set(root ${WORK_DIR}/case${i})
    file(REMOVE_RECURSE ${root})
    file(WRITE ${root}/${file} "#include \"${allowed}\"\n#include <${leak}>\n")
    find_leaks(${root} found)
    if(NOT found STREQUAL "${file}: #include <${leak}>\n")
      string(APPEND failures "${file} with ${leak} and ${allowed}: reported \"${found}\"\n")
    endif()
    file(REMOVE_RECURSE ${root})
  endforeach()
  if(failures)
    message(FATAL_ERROR "The check missed a planted leak or reported an allowed include:\n${failures}")
  endif()
  message(STATUS "Every planted leak was found, and no allowed include")
  return()
endif()

find_leaks(${SOURCE_DIR} leaks)
if(leaks)
  message(FATAL_ERROR "Includes across the layers:\n${leaks}")
endif()
message(STATUS "No include crosses the layers")
