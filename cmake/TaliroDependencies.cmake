# The Debian packages the suite links against (tools/install-deps.sh installs them).

set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTOUIC ON)
set(CMAKE_AUTORCC ON)

find_package(Qt5 5.15 REQUIRED COMPONENTS Core Gui Widgets Network PrintSupport Test LinguistTools)
find_package(PkgConfig REQUIRED)
pkg_check_modules(SANE REQUIRED IMPORTED_TARGET sane-backends)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
pkg_check_modules(LIBUSB REQUIRED IMPORTED_TARGET libusb-1.0)
find_package(jsoncpp REQUIRED)
find_package(TIFF REQUIRED)
find_package(ZLIB REQUIRED)
find_path(RAPIDXML_INCLUDE_DIR rapidxml/rapidxml.hpp REQUIRED)
add_library(rapidxml INTERFACE)
target_include_directories(rapidxml SYSTEM INTERFACE ${RAPIDXML_INCLUDE_DIR})

if(TALIRO_BUILD_TESTS)
    find_package(GTest REQUIRED)
    include(GoogleTest)
endif()
