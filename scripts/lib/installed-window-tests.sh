# shellcheck shell=bash
# The installed programs in real windows, as a user starts them from the menu: the window
# titled Ravelle, the picture, the ripples, the statistics title, closing, the one-line failure
# without a display, and the window's class (against the installed menu entry) and icon.
# Sourced by the package tests of Debian 12 (on this machine) and Debian 13 (in a chroot).
#
#   installed_window_tests E2E_DIR LOG_DIR   runs E2E_DIR's ravelle-e2e and ravelle-e2e-serial
#                                            on /usr/bin/ravelle and /usr/bin/ravelle-serial
installed_window_tests() {
    local e2e=$1 logs=$2 cases program suffix log entry
    cases='ProgramWindow.OpensTitledThenReportsStatistics:ProgramWindow.ShowsDarkBluePictureCentredOnBlack'
    cases+=':ProgramWindow.PictureRipplesOverTime:ProgramWindow.PointerStirsTheWaterUnderIt'
    cases+=':ProgramWindow.ClosingTheWindowEndsTheProgram:NoDisplay.DisplayUnset:WindowIdentity.*'
    for program in ravelle ravelle-serial; do
        suffix=${program#ravelle}
        log=$logs/e2e-$program.log
        entry=/usr/share/applications/org.ravelle.Ravelle${suffix:+.Serial}.desktop
        if ! env -u OMP_WAIT_POLICY -u GOMP_SPINCOUNT RAVELLE_E2E_COMMAND=/usr/bin/$program \
            RAVELLE_E2E_DESKTOP_ENTRY="$entry" \
            "$e2e/ravelle-e2e$suffix" --gtest_filter="$cases" >"$log" 2>&1; then
            cat "$log"
            echo "$(basename "$0"): /usr/bin/$program fails the real-window tests (log: $log)"
            return 1
        fi
        echo "   /usr/bin/$program: $(grep -oE '^\[  PASSED  \] [0-9]+' "$log" | grep -oE '[0-9]+$')" \
            "real-window tests passed"
    done
}
