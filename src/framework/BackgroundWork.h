#pragma once

#include <QString>

#include <functional>

class Prompt;

namespace BackgroundWork {

// Runs `work` on a worker thread while the prompt shows `text` with a busy
// bar and its 停止 button, so the window stays responsive through a slow
// server. When the user stops, `abort` is called on this thread and must make
// the work end soon (closing its socket, for instance); Run still waits for
// the worker before it returns. False when the user stopped.
bool Run(Prompt& prompt, const QString& text, const std::function<void()>& work,
         const std::function<void()>& abort);

} // namespace BackgroundWork
