# Where the systemd user unit goes, relative to the install prefix: systemd's own folder for
# /usr (lib/systemd/user on Debian), share/systemd/user for any other prefix. The user manager
# reads ~/.local/share/systemd/user and /usr/local/share/systemd/user, but no lib/ folder under
# a user's prefix.
#   include(): velto_systemd_user_unit_subdir(PREFIX OUT_VAR)
#   cmake -D PREFIX=/usr -P cmake/SystemdUserUnitDir.cmake   prints it (the install test asks)

function(velto_systemd_user_unit_subdir prefix out)
    if(prefix STREQUAL "/usr")
        find_package(PkgConfig QUIET)
        set(dir "")
        if(PKG_CONFIG_FOUND)
            pkg_get_variable(dir systemd systemduserunitdir)
        endif()
        if(NOT dir MATCHES "^/usr/")
            set(dir /usr/lib/systemd/user)
        endif()
        string(REGEX REPLACE "^/usr/" "" dir "${dir}")
    else()
        set(dir share/systemd/user)
    endif()
    set(${out} ${dir} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED PREFIX)
    velto_systemd_user_unit_subdir("${PREFIX}" dir)
    message("${dir}")
endif()
