set(BRELM_WARNINGS -Wall -Wextra -Wno-unused-parameter)

# The discovery library: records, engine, protocols, transports, JSON. Knows nothing of the GUI.
file(GLOB_RECURSE BRELM_DISCOVERY_SOURCES CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/src/json/*.cpp
    ${CMAKE_SOURCE_DIR}/src/tmx/*.cpp)
add_library(brelm_discovery STATIC ${BRELM_DISCOVERY_SOURCES})
target_include_directories(brelm_discovery PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(brelm_discovery PUBLIC brelm_juce)
target_compile_options(brelm_discovery PRIVATE ${BRELM_WARNINGS})

# The application: everything of the program except its entry point, so tests can link it.
file(GLOB_RECURSE BRELM_APP_SOURCES CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/src/app/*.cpp
    ${CMAKE_SOURCE_DIR}/src/ui/*.cpp)
list(FILTER BRELM_APP_SOURCES EXCLUDE REGEX ".*/src/app/Main\\.cpp$")
if(BRELM_APP_SOURCES)
    add_library(brelm_app STATIC ${BRELM_APP_SOURCES})
    target_include_directories(brelm_app PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(brelm_app PUBLIC brelm_discovery BrelmAssets)
    # The same libX11 that JUCE loads at run time: the program handles a lost display itself.
    target_link_libraries(brelm_app PRIVATE X11::X11)
    target_compile_options(brelm_app PRIVATE ${BRELM_WARNINGS})
    target_compile_definitions(brelm_app PUBLIC
        BRELM_WEB_HOST="${BRELM_WEB_HOST}"
        BRELM_UPDATE_PLATFORM="${BRELM_UPDATE_PLATFORM}")
endif()

if(BRELM_BUILD_APP AND EXISTS ${CMAKE_SOURCE_DIR}/src/app/Main.cpp)
    juce_add_gui_app(BrelmDiscovery
        PRODUCT_NAME "Brelm Discovery"
        VERSION 1.00
        COMPANY_NAME "Brelm")
    target_sources(BrelmDiscovery PRIVATE ${CMAKE_SOURCE_DIR}/src/app/Main.cpp)
    target_link_libraries(BrelmDiscovery PRIVATE brelm_app)
endif()
