# The bundled textures as P6 images, made one way for both builds (the desktop reads them as they
# are, the page compresses them): the procedural ones from texgen, compiled for this machine
# (in the page's build the target compiler makes WebAssembly), and the Earth map from
# xplanet-images at 1024 x 512.
#   tolvane_texture_ppms(DIR OUT_VAR): rules for DIR/{wood,canlabel,vase,metal,earth}.ppm; OUT_VAR
#   names them.
set(TOLVANE_EARTH_JPEG /usr/share/xplanet/images/earth.jpg)
if(NOT EXISTS ${TOLVANE_EARTH_JPEG})
  message(FATAL_ERROR "${TOLVANE_EARTH_JPEG} is missing: install xplanet-images (scripts/setup.sh does)")
endif()
find_program(HOST_CXX NAMES c++ g++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
find_program(JPEGTOPNM jpegtopnm REQUIRED NO_CMAKE_FIND_ROOT_PATH)
find_program(PAMSCALE pamscale REQUIRED NO_CMAKE_FIND_ROOT_PATH)
find_program(PAMDEPTH pamdepth REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(TOLVANE_TEXGEN_SOURCE ${CMAKE_CURRENT_LIST_DIR}/../scripts/texgen.cpp)

function(tolvane_texture_ppms dir outVar)
  set(procedural)
  foreach(name wood canlabel vase metal)
    list(APPEND procedural ${dir}/${name}.ppm)
  endforeach()
  add_custom_command(
    OUTPUT ${procedural}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${HOST_CXX} -std=c++17 -O2 ${TOLVANE_TEXGEN_SOURCE} -o ${dir}/texgen
    COMMAND ${dir}/texgen ${dir}
    DEPENDS ${TOLVANE_TEXGEN_SOURCE}
    COMMENT "Generating the procedural textures"
    VERBATIM)
  # The map as it is (the globe mirrors its texture coordinates when it draws). Written to a
  # temporary name first, so a failed conversion leaves no output behind.
  add_custom_command(
    OUTPUT ${dir}/earth.ppm
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND sh -c "${JPEGTOPNM} -quiet \"$1\" | ${PAMSCALE} -xsize 1024 -ysize 512 | ${PAMDEPTH} 255 > \"$2.tmp\" && mv \"$2.tmp\" \"$2\""
            sh ${TOLVANE_EARTH_JPEG} ${dir}/earth.ppm
    DEPENDS ${TOLVANE_EARTH_JPEG}
    COMMENT "Converting the Earth map"
    VERBATIM)
  set(${outVar} ${procedural} ${dir}/earth.ppm PARENT_SCOPE)
endfunction()
