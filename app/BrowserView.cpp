#include "app/BrowserView.h"

#include <iostream>

#include "app/BrowserPage.h"
#include "app/BrowserServer.h"
#include "app/BrowserSession.h"
#include "app/EditCommand.h"
#include "app/PathChecks.h"
#include "app/PluginSession.h"

namespace app {

int RunBrowserView(const EditOptions& options) {
    PluginSession session;
    if (const int status = session.LoadBoard(options.Board); status != kExitOk) {
        return status;
    }
    if (!options.JournalPath.empty()) {
        if (const std::string problem = CheckOutputFile(options.JournalPath, "journal", session.Loaded()->inputs);
            !problem.empty()) {
            std::cerr << "autoplacer: " << problem << '\n';
            return kExitCannotWrite;
        }
    }
    // The page answers every dialog: nothing goes to the terminal.
    DialogOptions dialogs = options.Dialogs;
    dialogs.Batch = true;
    if (const int status = session.OpenDialogs(dialogs); status != kExitOk) {
        return status;
    }
    if (const int status = session.LoadPlugin(options.PluginPath, options.Verbose); status != kExitOk) {
        return status;
    }
    BrowserServer server(BrowserServer::RandomToken(), BrowserPageFiles());
    std::string problem;
    if (!server.Start(problem)) {
        std::cerr << "autoplacer: " << problem << '\n';
        return kExitFailed;
    }
    std::cout << "autoplacer: open " << server.Address() << " in a web browser (Ctrl-C ends the session)"
              << std::endl;
    int status = kExitOk;
    {
        BrowserSession browser(server, session, options);
        status = browser.Run();
    }
    session.UnloadPlugin();
    return status;
}

}  // namespace app
