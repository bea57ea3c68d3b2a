# Third-party libraries, found once for the whole tree (scripts/install-deps installs them).
find_package(PkgConfig REQUIRED)
find_package(ZLIB REQUIRED)
pkg_check_modules(TINYXML REQUIRED IMPORTED_TARGET tinyxml)
