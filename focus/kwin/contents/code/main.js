// Tells the mouse program which window is in front: the one in front when
// the script starts, then each window KWin activates. The program loads this
// script itself (and unloads it when it stops following the window in front).
// Plasma 6 names the signal windowActivated, Plasma 5 clientActivated.

function report(window) {
    // No window in front (the desktop has the focus): an empty report.
    const appId = window ? String(window.resourceClass) : "";
    const title = window ? String(window.caption) : "";
    const pid = window ? window.pid | 0 : 0;  // an integer, sent as D-Bus "i"
    callDBus("io.github.mousedriver.MouseDriver", "/io/github/mousedriver/MouseDriver",
             "io.github.mousedriver.MouseDriver1", "WindowActivated", appId, title, pid);
}

if (workspace.windowActivated) {
    workspace.windowActivated.connect(report);
    report(workspace.activeWindow);
} else {
    workspace.clientActivated.connect(report);
    report(workspace.activeClient);
}
