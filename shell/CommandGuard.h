// The boundary every command runs inside: one command at a time, and an unexpected error is
// reported through the window instead of ending the program.
#pragma once

#include "Unit1.h"

#include <exception>
#include <string>

namespace Unit1 {

// Runs body unless a command of this run state is already running. On an exception the window
// shows the general error report, its cursors return to default and its controls are enabled again.
template <class Body> void RunCommand(Window& window, RunState& state, Body&& body)
{
    if (state.Busy)
        return;
    state.Busy = true;
    try {
        body();
    } catch (const std::exception& error) {
        state.Busy = false;
        window.SetFormCursor(CursorKind::Default);
        EnableControls(window);
        window.ShowError(error.what());
        return;
    }
    state.Busy = false;
}

} // namespace Unit1
