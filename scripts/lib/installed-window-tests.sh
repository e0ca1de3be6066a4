# shellcheck shell=bash
# installed_window_tests E2E_DIR LOG_DIR: E2E_DIR's real-window tests on /usr/bin/ravelle and
# /usr/bin/ravelle-serial as a user starts them: the window, picture, ripples, title, closing,
# no display, and the window's class (against the installed menu entry) and icon. Needs fail.
installed_window_tests() {
    local cases program suffix log
    cases=(ProgramWindow.{OpensTitledThenReportsStatistics,ShowsDarkBluePictureCentredOnBlack}
        ProgramWindow.{PictureRipplesOverTime,PointerStirsTheWaterUnderIt,ClosingTheWindowEndsTheProgram}
        NoDisplay.DisplayUnset 'WindowIdentity.*')
    for program in ravelle ravelle-serial; do
        suffix=${program#ravelle}
        log=$2/e2e-$program.log
        env -u OMP_WAIT_POLICY -u GOMP_SPINCOUNT RAVELLE_E2E_COMMAND=/usr/bin/$program \
            RAVELLE_E2E_DESKTOP_ENTRY=/usr/share/applications/org.ravelle.Ravelle${suffix:+.Serial}.desktop \
            "$1/ravelle-e2e$suffix" --gtest_filter="$(IFS=:; echo "${cases[*]}")" >"$log" 2>&1 ||
            { cat "$log"; fail "/usr/bin/$program fails the real-window tests (log: $log)"; }
        echo "   /usr/bin/$program: $(grep -oE '^\[  PASSED  \] [0-9]+' "$log" | grep -oE '[0-9]+$')" \
            "real-window tests passed"
    done
}
