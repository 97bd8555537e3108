#pragma once
// Handing files and folders to the desktop: the file manager for folders, the
// default program for the printable cards, the browser for help pages.
#include <string>

namespace tarvel::app {

class Desktop {
public:
    virtual ~Desktop() = default;
    // Opens a file or folder with the desktop's default program. False when
    // the path does not exist or no program could be started.
    virtual bool open(const std::string& path) = 0;
};

class QtDesktop : public Desktop {
public:
    bool open(const std::string& path) override;
};

}  // namespace tarvel::app
