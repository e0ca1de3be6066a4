# shellcheck shell=bash
# The time every archive entry carries, so that an archive's bytes depend on the source alone:
# SOURCE_DATE_EPOCH when set, else the last commit's time. Outside a git checkout (a source
# archive) there is neither, and the archives then carry the present time: said on stderr,
# since their bytes then differ from one build to the next. Sourced.
#
#   source_date_epoch   prints the time, in seconds since 1970

source_date_epoch() {
    if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
        echo "$SOURCE_DATE_EPOCH"
    elif git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git log -1 --format=%ct
    else
        echo "$(basename "$0"): not a git checkout and no SOURCE_DATE_EPOCH: archives dated now" >&2
        date +%s
    fi
}
