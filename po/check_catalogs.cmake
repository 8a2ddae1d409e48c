# Extracts the template of translatable literals from the sources and checks every catalog
# against it. Run with cmake -P; see po/CMakeLists.txt for the variables.
#   XGETTEXT, MSGFMT, MSGCMP, MSGMERGE, MSGATTRIB  the gettext tools
#   SOURCE_DIR                the source tree (src/ and include/ are scanned)
#   PO_DIR                    the folder of <code>.po
#   LANGUAGES                 the catalog codes, separated by commas
#   POT                       where the template is written
#   EXTRACT_ONLY              only write the template
cmake_minimum_required(VERSION 3.20)

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/include/*.h)
list(SORT sources)
get_filename_component(pot_dir ${POT} DIRECTORY)
file(MAKE_DIRECTORY ${pot_dir})
execute_process(
  COMMAND ${XGETTEXT} --language=C++ --from-code=UTF-8 --force-po --add-comments=TRANSLATORS:
          --package-name=backupview --keyword=_ --keyword=wxTRANSLATE --keyword=wxGetTranslation
          --keyword=N_ --keyword=wxPLURAL:1,2 --keyword=wxGETTEXT_IN_CONTEXT:1c,2
          --keyword=wxTRANSLATE_IN_CONTEXT:1c,2 -o ${POT} ${sources}
  WORKING_DIRECTORY ${SOURCE_DIR}
  RESULT_VARIABLE rc
  ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "xgettext failed:\n${err}")
endif()
if(EXTRACT_ONLY)
  return()
endif()

string(REPLACE "," ";" LANGUAGES "${LANGUAGES}")
set(failures "")
foreach(code IN LISTS LANGUAGES)
  set(po ${PO_DIR}/${code}.po)
  # Well-formed and complete: every entry translated, none fuzzy.
  execute_process(
    COMMAND ${MSGFMT} --check --statistics -o /dev/null ${po}
    RESULT_VARIABLE rc
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(APPEND failures "${code}.po does not compile:\n${err}\n")
  elseif(err MATCHES "fuzzy|untranslated")
    string(APPEND failures "${code}.po is incomplete: ${err}\n")
  endif()
  # Every literal of the code has a translation here (extra entries, for texts of windows not
  # in the code yet, are allowed).
  execute_process(
    COMMAND ${MSGCMP} ${po} ${POT}
    RESULT_VARIABLE rc
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    # Name the literals and where the code uses them.
    set(merged ${pot_dir}/${code}.merged.po)
    execute_process(COMMAND ${MSGMERGE} --quiet --no-fuzzy-matching -o ${merged} ${po} ${POT})
    execute_process(COMMAND ${MSGATTRIB} --untranslated --no-obsolete ${merged}
                    OUTPUT_VARIABLE missing)
    string(REGEX MATCHALL "(#: [^\n]*|msgid \"[^\n]+\")" lines "${missing}")
    list(FILTER lines EXCLUDE REGEX "^msgid \"\"$")
    list(JOIN lines "\n  " missing)
    string(APPEND failures "${code}.po lacks translations of literals in the code:\n  ${missing}\n")
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "Catalog check failed (template: ${POT}):\n${failures}")
endif()
message(STATUS "Every catalog translates every literal of the code.")
