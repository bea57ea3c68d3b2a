# Third-party libraries, found once for the whole tree (scripts/install-deps installs them).
find_package(PkgConfig REQUIRED)
find_package(ZLIB REQUIRED)
pkg_check_modules(TINYXML REQUIRED IMPORTED_TARGET tinyxml)
find_package(Threads REQUIRED)
find_package(OpenAL REQUIRED)
pkg_check_modules(VORBIS REQUIRED IMPORTED_TARGET ogg vorbis vorbisfile vorbisenc)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
