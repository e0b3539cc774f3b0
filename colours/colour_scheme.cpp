#include "colour_scheme.h"

namespace quotidia {

LabelColours chooseLabelColours(bool highContrast, std::optional<ColourValue> fixedText,
                                const SystemColours& system) {
    if (highContrast) {
        return {system.windowText, system.window};
    }
    return {fixedText.value_or(system.windowText), system.buttonFace};
}

ColourValue chooseRuleColour(bool highContrast, ColourValue fixedColour, RuleEdge edge,
                             const SystemColours& system) {
    if (!highContrast) {
        return fixedColour;
    }
    return edge == RuleEdge::shadow ? system.shadow3d : system.highlight3d;
}

} // namespace quotidia
