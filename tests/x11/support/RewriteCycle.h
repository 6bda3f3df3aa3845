#pragma once

#include "system/HotkeyManager.h"
#include "system/SelectionService.h"
#include "x11/support/TestKeyboard.h"

#include <functional>

namespace velto::test {

// select all in the editor -> the shortcut -> read the selection -> paste "rewrite N" over it
// -> the user's clipboard is as before; many times in a row (VELTO_CYCLE_RUNS, else 50),
// printing how long the shortcut took to become a paste. What the controller does on each
// press: capture the source, then run the pipeline as a task.
struct RewriteCycle
{
    TestKeyboard& keyboard;
    HotkeyManager& hotkeys;
    SelectionService& service;
    Workspace& workspace;
    // Waits until the editor holds the text (saved where the editor needs it).
    std::function<bool(const QString&)> editorHolds;
    // Empty when the user's clipboard is served as before; else what differs.
    std::function<QString()> clipboardDifference;

    // Checks every run with QTest; a caller stops when QTest::currentTestFailed().
    void run(const QString& firstSelection);
};

} // namespace velto::test
