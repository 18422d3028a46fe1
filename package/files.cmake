# The package's text files, written from their UTF-8 sources with CR LF line
# ends in the encodings Windows reads them in:
#   printer/Merovast.rsp, printer/Merovast.inf  ASCII
#   printer/MEROVAST.PPD                        ISO Latin-1 (*LanguageEncoding)
#   LIESMICH.txt                                UTF-8 with byte order mark
#   Entfernen.cmd, Installieren.cmd             OEM code page 850, in which cmd
#                                               reads them on a German Windows
#   Aufgabe.xml                                 UTF-16 with byte order mark, as
#                                               the Task Scheduler writes it
# In each, {version} is the program's version, {msiversion} the MSI's and
# {productcode} the MSI's product code (below).
# dravelin_package_files(DIR OUTVAR) adds the commands that write them below
# DIR and sets OUTVAR to the list of files written.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(DRAVELIN_PACKAGE_SOURCE ${CMAKE_CURRENT_LIST_DIR})

# The MSI's version: Windows Installer compares three numbers, so the
# program's 1.00 is 1.0.0 (1.05 would be 1.5.0, 1.10 1.10.0: the two digits
# after the point as one number, which keeps the order of the versions).
set(DRAVELIN_MSI_VERSION "${PROJECT_VERSION_MAJOR}.${DRAVELIN_VERSION_MINOR_NUMBER}.0")
# One product code per version, the same for every build of it: derived
# from the upgrade code, which the .wxs holds once for every version.
set(DRAVELIN_WXS ${DRAVELIN_PACKAGE_SOURCE}/DravelinInstall.wxs)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${DRAVELIN_WXS})
file(STRINGS ${DRAVELIN_WXS} upgrade_line REGEX "define UpgradeCode")
string(REGEX MATCH "[0-9A-F-]+-[0-9A-F]+" DRAVELIN_UPGRADE_CODE "${upgrade_line}")
string(UUID product_uuid NAMESPACE ${DRAVELIN_UPGRADE_CODE} NAME "DravelinInstall ${PROJECT_VERSION}"
       TYPE SHA1 UPPER)
set(DRAVELIN_PRODUCT_CODE "{${product_uuid}}")

function(dravelin_package_files dir outvar)
  set(outputs)
  foreach(item
      "printer/Merovast.rsp|ascii"
      "printer/Merovast.inf|ascii"
      "printer/MEROVAST.PPD|latin-1"
      "LIESMICH.txt|utf-8-sig"
      "Entfernen.cmd|cp850"
      "Installieren.cmd|cp850"
      "Aufgabe.xml|utf-16")
    string(REPLACE "|" ";" parts "${item}")
    list(GET parts 0 name)
    list(GET parts 1 encoding)
    set(src ${DRAVELIN_PACKAGE_SOURCE}/${name})
    set(dst ${dir}/${name})
    get_filename_component(dst_dir ${dst} DIRECTORY)
    add_custom_command(OUTPUT ${dst}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dst_dir}
      COMMAND ${Python3_EXECUTABLE} ${DRAVELIN_PACKAGE_SOURCE}/textfile.py ${encoding} ${src} ${dst}
              version=${PROJECT_VERSION} msiversion=${DRAVELIN_MSI_VERSION}
              productcode=${DRAVELIN_PRODUCT_CODE}
      DEPENDS ${src} ${DRAVELIN_PACKAGE_SOURCE}/textfile.py
      COMMENT "package: ${name}"
      VERBATIM)
    list(APPEND outputs ${dst})
  endforeach()
  set(${outvar} ${outputs} PARENT_SCOPE)
endfunction()
