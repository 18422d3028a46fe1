# The executable's resources: the icon drawn at build time, the version
# record and the manifest, compiled with windres.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(res_dir ${CMAKE_CURRENT_SOURCE_DIR}/resources)
set(res_out ${CMAKE_CURRENT_BINARY_DIR}/resources)
file(MAKE_DIRECTORY ${res_out})
# The manifest carries the version of the top CMakeLists.txt.
configure_file(${res_dir}/DravelinInstall.manifest.in ${res_out}/DravelinInstall.manifest @ONLY)
add_custom_command(OUTPUT ${res_out}/DravelinInstall.ico
  COMMAND ${Python3_EXECUTABLE} ${res_dir}/make_icon.py ${res_out}/DravelinInstall.ico
  DEPENDS ${res_dir}/make_icon.py VERBATIM)
add_custom_command(OUTPUT ${res_out}/DravelinInstall.res.o
  COMMAND ${CMAKE_RC_COMPILER} -I${res_dir} -I${res_out} -I${PROJECT_BINARY_DIR}/generated -O coff
          -i ${res_dir}/DravelinInstall.rc -o ${res_out}/DravelinInstall.res.o
  DEPENDS ${res_dir}/DravelinInstall.rc ${res_out}/DravelinInstall.manifest
          ${PROJECT_BINARY_DIR}/generated/installer/Version.h
          ${res_dir}/resource_ids.h ${res_out}/DravelinInstall.ico
  VERBATIM)
target_sources(DravelinInstall PRIVATE ${res_out}/DravelinInstall.res.o)
