// Start-up and close as steps that a front end calls from its events.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

#include "ui/commands.h"

namespace quorrin::ui {

enum class UpdateVerdict { kRun, kUpdate };

// Reads "http://" + host + "/yy.txt", waiting at most `limit`. Only a 2xx
// answer whose text is not exactly "1" asks for an update; an empty host, no
// answer or an error status lets the program run on, so it also starts
// offline.
UpdateVerdict CheckUpdateFlag(const std::string& updateHost,
                              std::chrono::milliseconds limit = std::chrono::seconds(5));

// The window's created event: the skin (the front end's own look), the busy
// flag idle, then `running` (the front end starts its timer and the about
// page), then the update check. When an update is asked for, tells the user,
// opens the update page and gives false: the front end then closes the window.
bool WindowCreated(App& app, const std::function<void(int skin)>& applySkin,
                   const std::function<void()>& running,
                   std::chrono::milliseconds updateLimit = std::chrono::seconds(5));

// The window is about to go: every job still running is ended.
void WindowClosing(App& app);

// After the message loop: waits up to `limit` for the ended workers to leave,
// calling `serveWindow` meanwhile (an ended worker may be waiting for one
// window call), then releases job control.
void ProgramExit(JobControl& jobs, const std::function<void()>& serveWindow,
                 std::chrono::milliseconds limit);

// The about page (UTF-8 HTML); empty when there is no update host or it
// cannot be fetched, so that the built-in about text stays.
Utf8 FetchAboutPage(const SiteHosts& hosts, const std::atomic<bool>* cancel);

}  // namespace quorrin::ui
