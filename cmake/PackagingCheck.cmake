# SPDX-License-Identifier: GPL-2.0-or-later
# Read by cpack before it builds. Without dpkg-shlibdeps CPack only warns and makes a package
# with no Depends at all, which installs cleanly and then cannot start; stop instead.
cmake_policy(SET CMP0109 NEW) # a tool counts only when it may be run
if(CPACK_GENERATOR STREQUAL "DEB")
    foreach(tool IN ITEMS file dpkg-shlibdeps)
        find_program(zappomatic_${tool} ${tool})
        if(NOT zappomatic_${tool})
            message(FATAL_ERROR "Cannot compute the package's dependencies: '${tool}' is "
                "missing. Install the Debian packages file and dpkg-dev (scripts/package does).")
        endif()
    endforeach()
endif()
