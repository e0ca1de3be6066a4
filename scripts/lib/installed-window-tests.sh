# shellcheck shell=bash
# installed_window_tests E2E_DIR LOG_DIR: E2E_DIR's ravelle-e2e and ravelle-e2e-serial on
# /usr/bin/ravelle and /usr/bin/ravelle-serial, as a user starts them from the menu: the window
# titled Ravelle, the picture, the ripples, the statistics title, closing, the one-line failure
# without a display, and the window's class (against the installed menu entry) and icon.
# Sourced by the package tests of Debian 12 (on this machine) and Debian 13 (in a chroot).
installed_window_tests() {
    local cases program suffix log
    cases='ProgramWindow.OpensTitledThenReportsStatistics:ProgramWindow.ShowsDarkBluePictureCentredOnBlack'
    cases+=':ProgramWindow.PictureRipplesOverTime:ProgramWindow.PointerStirsTheWaterUnderIt'
    cases+=':ProgramWindow.ClosingTheWindowEndsTheProgram:NoDisplay.DisplayUnset:WindowIdentity.*'
    for program in ravelle ravelle-serial; do
        suffix=${program#ravelle}
        log=$2/e2e-$program.log
        env -u OMP_WAIT_POLICY -u GOMP_SPINCOUNT RAVELLE_E2E_COMMAND=/usr/bin/$program \
            RAVELLE_E2E_DESKTOP_ENTRY=/usr/share/applications/org.ravelle.Ravelle${suffix:+.Serial}.desktop \
            "$1/ravelle-e2e$suffix" --gtest_filter="$cases" >"$log" 2>&1 || {
            cat "$log"
            echo "$(basename "$0"): /usr/bin/$program fails the real-window tests (log: $log)"
            return 1
        }
        echo "   /usr/bin/$program: $(grep -oE '^\[  PASSED  \] [0-9]+' "$log" | grep -oE '[0-9]+$')" \
            "real-window tests passed"
    done
}
