#pragma once

#include <string>

// The workflow's UrlOpener for real: hands the address to the desktop's browser
// (QDesktopServices). 33 when it was handed over, 31 when nothing opens it.
int OpenUrlInBrowser(const std::string& url);
