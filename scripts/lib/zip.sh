# shellcheck shell=bash
# The release's zips (the Windows programs, the page), made so that their bytes depend on the
# source alone: every entry carries the same time, fixed permissions, in sorted order, with no
# extra attributes (-X). The time is SOURCE_DATE_EPOCH when set, else the last commit's.
# Outside a git checkout (a source archive) there is neither, and the archives then carry the
# present time: said on stderr, since their bytes then differ from one build to the next.
# Sourced.
#
#   source_date_epoch           prints the time, in seconds since 1970
#   pack_zip STAGE TOP ARCHIVE  zips STAGE/TOP, a folder of files, into ARCHIVE (replaced)

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

pack_zip() {
    local stage=$1 top=$2 archive=$3 epoch
    epoch=$(source_date_epoch)
    rm -f "$archive"
    chmod 755 "$stage/$top"
    chmod 644 "$stage/$top"/*
    find "$stage/$top" -exec touch -h -d "@$epoch" {} +
    (cd "$stage" && find "$top" | LC_ALL=C sort | TZ=UTC zip -q -X -D -@ "$archive")
}
