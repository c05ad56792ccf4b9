# The Varela typeface comes from the npm registry at build time; nothing of it is committed.
# This package ships the full Regular TrueType (831 glyphs, 181,996 bytes), not a Latin subset.
set(BRELM_FONT_PACKAGE "@expo-google-fonts/varela@0.2.3")
set(BRELM_NPM_DIR "${CMAKE_SOURCE_DIR}/.deps/npm" CACHE PATH "Where npm packages needed by the build are installed")
set(BRELM_FONT_FILE "${BRELM_NPM_DIR}/node_modules/@expo-google-fonts/varela/Varela_400Regular.ttf")

if(NOT EXISTS "${BRELM_FONT_FILE}")
    find_program(NPM_EXECUTABLE npm REQUIRED)
    message(STATUS "Fetching ${BRELM_FONT_PACKAGE} with npm")
    execute_process(
        COMMAND ${NPM_EXECUTABLE} install --no-audit --no-fund --no-save --prefix "${BRELM_NPM_DIR}" "${BRELM_FONT_PACKAGE}"
        RESULT_VARIABLE npm_result)
    if(NOT npm_result EQUAL 0 OR NOT EXISTS "${BRELM_FONT_FILE}")
        message(FATAL_ERROR "Could not fetch the Varela font (${BRELM_FONT_PACKAGE})")
    endif()
endif()

# The copy gets a fixed name so the generated symbol does not depend on the package's file naming.
configure_file("${BRELM_FONT_FILE}" "${CMAKE_BINARY_DIR}/assets/varela.ttf" COPYONLY)

file(GLOB BRELM_SVG_ASSETS CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/assets/icons/*.svg
    ${CMAKE_SOURCE_DIR}/assets/logos/*.svg)

juce_add_binary_data(BrelmAssets
    HEADER_NAME BrelmAssets.h
    NAMESPACE BrelmAssets
    SOURCES "${CMAKE_BINARY_DIR}/assets/varela.ttf" ${BRELM_SVG_ASSETS})
