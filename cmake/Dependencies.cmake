# Every package the build looks up, in one place; each only when the part that needs it is built.
find_package(CLI11 CONFIG REQUIRED)    # korvane-cli options
find_package(nlohmann_json REQUIRED)   # korvane-cli --json
find_package(PNG REQUIRED)             # PNG files read and written (--overlay)
find_package(PkgConfig REQUIRED)
pkg_check_modules(LEPTONICA REQUIRED IMPORTED_TARGET lept) # decoding of TIFF, GIF, WebP, PNM, ...
pkg_check_modules(JPEG REQUIRED IMPORTED_TARGET libjpeg)   # JPEG files read
if(KORVANE_GUI)
    # Fails rather than skipping: a silently skipped window would let a build go green without it.
    if(KORVANE_TESTS)
        find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
    else()
        find_package(Qt6 REQUIRED COMPONENTS Widgets)
    endif()
endif()
if(KORVANE_TESTS)
    find_package(GTest REQUIRED)
endif()
if(KORVANE_BENCH)
    find_package(benchmark REQUIRED)
endif()
