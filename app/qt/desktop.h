#pragma once
// Handing files and folders to the desktop: the file manager for folders, the
// default program for the printable cards, the reports and the statistics,
// the browser for help pages, and a plain text editor for a CSV file that no
// spreadsheet program takes.
#include <string>

#include "output/outputfile.h"

namespace tarvel::app {

class Desktop {
public:
    virtual ~Desktop() = default;
    // Opens a file or folder with the desktop's default program. False when
    // the path does not exist or no program could be started.
    virtual bool open(const std::string& path) = 0;
    // Opens a text file in a plain text editor. False when none started.
    virtual bool openInTextEditor(const std::string& path) = 0;
};

class QtDesktop : public Desktop {
public:
    bool open(const std::string& path) override;
    bool openInTextEditor(const std::string& path) override;
};

// The output page's FileOpener over the window's desktop.
class DesktopOpener : public FileOpener {
public:
    explicit DesktopOpener(Desktop& desktop) : desktop_(desktop) {}
    bool open(const std::string& path) override { return desktop_.open(path); }
    bool openInTextEditor(const std::string& path) override { return desktop_.openInTextEditor(path); }

private:
    Desktop& desktop_;
};

}  // namespace tarvel::app
