#include <gtest/gtest.h>

#include "characters/NameTables.h"

TEST(NameTables, BodyMaterialsCompareWholeWordsWithoutCase) {
    EXPECT_EQ(MaterialKindFromName("shinyplastic"), 11u);
    EXPECT_EQ(MaterialKindFromName("Shiny Plastic"), 9u);
    EXPECT_EQ(MaterialKindFromName("PLAYER"), 12u);
    EXPECT_EQ(MaterialKindFromName("Plastics"), 9u);
    EXPECT_EQ(MaterialKindFromName("veggie"), 21u);
    EXPECT_EQ(MaterialKindFromName(""), 9u);
    EXPECT_EQ(MaterialKindFromName(nullptr), 9u);
}

TEST(NameTables, ActionsAndTheirFiles) {
    EXPECT_EQ(AnimationActionFromName("idle"), 0u);
    EXPECT_EQ(AnimationActionFromName(""), 0u);
    EXPECT_EQ(AnimationActionFromName("addforce"), 6u);
    EXPECT_EQ(AnimationActionFromName("LOSEFORCE"), 7u);
    EXPECT_STREQ(ActionFileName(AnimationActionFromName("Fall")), "/fall.ani");
    EXPECT_STREQ(ActionFileName(7), "/loseforce.ani");
    EXPECT_EQ(ActionFileName(8), nullptr);
}
