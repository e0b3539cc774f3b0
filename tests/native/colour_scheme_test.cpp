#include "colour_scheme.h"

#include <gtest/gtest.h>

namespace quotidia {
namespace {

constexpr ColourValue kBlue = 0x00FF0000;
constexpr ColourValue kBlack = 0x00000000;
constexpr ColourValue kGrey = 0x00808080;
constexpr ColourValue kWhite = 0x00FFFFFF;

// The everyday scheme, and a high-contrast one with white text on black and a yellow
// highlight, all five colours different so a mix-up shows.
constexpr SystemColours kStandard{kBlack, kWhite, 0x00F0F0F0, 0x00A0A0A0, kWhite};
constexpr SystemColours kHighContrastBlack{kWhite, kBlack, 0x00100000, 0x00C0C0C0, 0x0000FFFF};

TEST(ColourScheme, HighContrastOffKeepsTheLayoutsFixedColoursOnTheButtonFace) {
    for (const SystemColours& system : {kStandard, kHighContrastBlack}) {
        EXPECT_EQ(chooseLabelColours(false, kBlue, system),
                  (LabelColours{kBlue, system.buttonFace}));
        EXPECT_EQ(chooseLabelColours(false, kBlack, system),
                  (LabelColours{kBlack, system.buttonFace}));
        EXPECT_EQ(chooseRuleColour(false, kGrey, RuleEdge::shadow, system), kGrey);
        EXPECT_EQ(chooseRuleColour(false, kWhite, RuleEdge::highlight, system), kWhite);
    }
    // A label without a colour of its own takes the system's, as the system draws it.
    EXPECT_EQ(chooseLabelColours(false, std::nullopt, kStandard),
              (LabelColours{kBlack, kStandard.buttonFace}));
}

TEST(ColourScheme, HighContrastOnTakesTheSystemsPairsWhateverTheLayoutSays) {
    for (const std::optional<ColourValue> fixed :
         {std::optional(kBlue), std::optional(kBlack), std::optional<ColourValue>()}) {
        EXPECT_EQ(chooseLabelColours(true, fixed, kHighContrastBlack),
                  (LabelColours{kWhite, kBlack}));
    }
    EXPECT_EQ(chooseRuleColour(true, kGrey, RuleEdge::shadow, kHighContrastBlack), 0x00C0C0C0u);
    EXPECT_EQ(chooseRuleColour(true, kWhite, RuleEdge::highlight, kHighContrastBlack), 0x0000FFFFu);
    EXPECT_EQ(chooseLabelColours(true, kBlue, kStandard), (LabelColours{kBlack, kWhite}));
}

} // namespace
} // namespace quotidia
