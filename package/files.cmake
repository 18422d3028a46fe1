# The package's text files, written from their UTF-8 sources with CR LF line
# ends in the encodings Windows reads them in:
#   printer/Merovast.rsp, printer/Merovast.inf  ASCII
#   printer/MEROVAST.PPD                        ISO Latin-1 (*LanguageEncoding)
#   LIESMICH.txt                                UTF-8 with byte order mark
#   Entfernen.cmd                               OEM code page 850, in which cmd
#                                               reads it on a German Windows
# dravelin_package_files(DIR OUTVAR) adds the commands that write them below
# DIR and sets OUTVAR to the list of files written.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(DRAVELIN_PACKAGE_SOURCE ${CMAKE_CURRENT_LIST_DIR})

function(dravelin_package_files dir outvar)
  set(outputs)
  foreach(item
      "printer/Merovast.rsp|ascii"
      "printer/Merovast.inf|ascii"
      "printer/MEROVAST.PPD|latin-1"
      "LIESMICH.txt|utf-8-sig"
      "Entfernen.cmd|cp850")
    string(REPLACE "|" ";" parts "${item}")
    list(GET parts 0 name)
    list(GET parts 1 encoding)
    set(src ${DRAVELIN_PACKAGE_SOURCE}/${name})
    set(dst ${dir}/${name})
    get_filename_component(dst_dir ${dst} DIRECTORY)
    add_custom_command(OUTPUT ${dst}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dst_dir}
      COMMAND ${Python3_EXECUTABLE} ${DRAVELIN_PACKAGE_SOURCE}/textfile.py ${encoding} ${src} ${dst} ${PROJECT_VERSION}
      DEPENDS ${src} ${DRAVELIN_PACKAGE_SOURCE}/textfile.py
      COMMENT "package: ${name}"
      VERBATIM)
    list(APPEND outputs ${dst})
  endforeach()
  set(${outvar} ${outputs} PARENT_SCOPE)
endfunction()
