find_package(JUCE CONFIG REQUIRED)
find_package(CURL REQUIRED)
find_package(Threads REQUIRED)
find_package(X11 REQUIRED)

# JUCE's modules are compiled once, into this library, and everything else links it.
add_library(brelm_juce STATIC)
target_link_libraries(brelm_juce
    PRIVATE juce::juce_gui_extra
    PUBLIC juce::juce_recommended_config_flags CURL::libcurl Threads::Threads)
target_compile_definitions(brelm_juce PUBLIC
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=1
    JUCE_STANDALONE_APPLICATION=1
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_MODAL_LOOPS_PERMITTED=1
    JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
    INTERFACE $<TARGET_PROPERTY:brelm_juce,COMPILE_DEFINITIONS>)
target_include_directories(brelm_juce INTERFACE $<TARGET_PROPERTY:brelm_juce,INCLUDE_DIRECTORIES>)
# Debian's JUCE uses the system's libpng and libjpeg; JUCE only links them into its own app targets,
# so every program and test that links this library needs them after it on the command line.
if(TARGET juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
    target_link_libraries(brelm_juce PUBLIC juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
endif()
# Debian's curl deprecates a constant that JUCE's own code still uses.
target_compile_options(brelm_juce PRIVATE -Wno-deprecated-declarations)

if(BRELM_BUILD_TESTS)
    find_package(GTest REQUIRED)
endif()
if(BRELM_BUILD_BENCH)
    find_package(benchmark REQUIRED)
endif()
