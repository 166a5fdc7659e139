// The browser view's page: index.html, app.js and app.css from app/browser/,
// compiled into the executable (cmake/EmbedPageFiles.cmake).
#pragma once

#include <vector>

#include "app/BrowserServer.h"

namespace app {

const std::vector<PageFile>& BrowserPageFiles();

}  // namespace app
