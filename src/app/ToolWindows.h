#pragma once

// The tool windows of the "&Tools" menu: how each is created, shown, closed and destroyed.
// Each window adds its block to ToolWindows.cpp; the main window only calls the hooks.

class TfrmMain;

void RegisterToolWindows(TfrmMain& main);
