#include "output/outputpage.h"

#include "grading/gradinggrid.h"

namespace tarvel {

OutputPageData FillOutputPage(const Roster& roster) {
    OutputPageData page;
    page.gradesEnabled = roster.gradesEnabled;
    if (page.gradesEnabled) page.gradeItems = gradeItems(roster);
    page.classesEnabled = roster.classesEnabled;
    if (page.classesEnabled) page.classItems = classItems(roster);
    return page;
}

}  // namespace tarvel
