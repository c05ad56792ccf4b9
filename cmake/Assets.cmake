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

# A damaged file would be embedded as it is and crash the program at start, inside the font engine.
set(BRELM_FONT_SIZE 181996)
set(BRELM_FONT_SHA256 d2d57355559e175514f9b6468d127c1b195eb6ad46d2c4b577ce2a094b419594)
file(SIZE "${BRELM_FONT_FILE}" font_size)
file(SHA256 "${BRELM_FONT_FILE}" font_sha256)
if(NOT font_size EQUAL BRELM_FONT_SIZE OR NOT font_sha256 STREQUAL BRELM_FONT_SHA256)
    message(FATAL_ERROR "The Varela font is not the file that ${BRELM_FONT_PACKAGE} ships:\n"
        "  ${BRELM_FONT_FILE}\n"
        "  expected ${BRELM_FONT_SIZE} bytes, SHA-256 ${BRELM_FONT_SHA256}\n"
        "  found    ${font_size} bytes, SHA-256 ${font_sha256}\n"
        "Delete ${BRELM_NPM_DIR} and configure again: npm fetches the package anew and checks its integrity.")
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
