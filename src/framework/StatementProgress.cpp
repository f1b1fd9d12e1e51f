#include "framework/StatementProgress.h"

#include "db/DbConnection.h"
#include "ui/Prompt.h"

bool RunWithStatementProgress(Prompt& prompt, DbConnection& connection, const QString& text,
                              const std::function<bool()>& work, bool* stopped) {
    bool stop = false;
    bool done = false;
    {
        ProgressScope progress(prompt, text);
        progress.Step(0, 0);
        connection.SetProgressHandler([&] {
            if (!progress.Step(0, 0))
                stop = true;
            return !stop;
        });
        done = work();
        connection.SetProgressHandler({});
    }
    if (stopped)
        *stopped = stop;
    return done;
}
