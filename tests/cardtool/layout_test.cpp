#include <gtest/gtest.h>

#include "cards_test_helpers.h"

namespace tarvel::cards {
namespace {

TEST(LayoutText, ShippedLayoutsCompileAndPassTheLayoutCheck) {
    for (const std::string& name : layoutNames()) {
        CardDesign d = shippedDesign(name);
        EXPECT_EQ(checkTemplate(d.layout, d.datName()), "");
        EXPECT_EQ(d.layout.subjectCount, 9);
        EXPECT_EQ(d.layout.subjects[1].code, "02");
        EXPECT_EQ(d.layout.subjects[1].name, "数学");
    }
}

}  // namespace
}  // namespace tarvel::cards
