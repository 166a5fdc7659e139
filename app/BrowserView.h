// "autoplacer edit BOARD" without --script: loads the board and the plug-in as
// for a script, starts the browser view's server on 127.0.0.1, prints the
// page's address (with its token) and serves the page until it quits or Ctrl-C
// ends the session.
#pragma once

namespace app {

struct EditOptions;

int RunBrowserView(const EditOptions& options);

}  // namespace app
