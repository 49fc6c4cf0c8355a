// Corvane: a desktop web browser on GTK 4 and WebKitGTK 6.0.
//
// Where to start reading: src/core/ holds the browser itself (windows, tabs, events); it talks to
// the toolkit only through the interfaces in src/platform/, implemented in src/platform/gtk/.
// src/store/ keeps the user's data, src/url/ parses URLs, src/pages/ serves corvane:// pages.

#include <cstdio>

int main() {
    std::fputs("corvane: the browser core is not assembled yet; this build has its libraries and "
               "tests only.\n",
               stderr);
    return 0;
}
