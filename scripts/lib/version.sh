# shellcheck shell=bash
# The program's version, read from the one place that states it: the project() line of
# CMakeLists.txt, which also gives it to the programs, the packages and the installer.
# Sourced, from the checkout's root:
#
#   version=$(ravelle_version)   stops the script, saying why, when the line is missing

ravelle_version() {
    local version
    version=$(sed -n 's/^project(ravelle VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    if [ -z "$version" ]; then
        echo "$(basename "$0"): no project(ravelle VERSION ...) in $PWD/CMakeLists.txt" >&2
        return 1
    fi
    echo "$version"
}
