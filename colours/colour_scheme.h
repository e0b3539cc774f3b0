#pragma once
// The colours the windows draw their labels and the etched rule in: the layouts' fixed
// colours, or the system's colour pairs while high contrast is on, since people who turn
// high contrast on cannot read text in colours the system did not choose.

#include <cstdint>
#include <optional>

namespace quotidia {

// A colour value in the 0x00BBGGRR layout (red in the low byte).
using ColourValue = std::uint32_t;

// The system colours the choice draws on, read from the system where they are used.
struct SystemColours {
    ColourValue windowText;
    ColourValue window;
    ColourValue buttonFace;
    ColourValue shadow3d;
    ColourValue highlight3d;
};

struct LabelColours {
    ColourValue text;
    ColourValue background;

    friend bool operator==(const LabelColours&, const LabelColours&) = default;
};

// A label's text in its layout's fixed colour, or the system's window text where the
// layout sets none, on the button face; in high contrast the system's window text on the
// window colour.
LabelColours chooseLabelColours(bool highContrast, std::optional<ColourValue> fixedText,
                                const SystemColours& system);

// The two lines of an etched rule: the shadow above, the highlight below.
enum class RuleEdge { shadow, highlight };

// A rule line in its layout's fixed colour, or in high contrast in the system's 3D shadow
// or highlight, the pair the system itself etches with.
ColourValue chooseRuleColour(bool highContrast, ColourValue fixedColour, RuleEdge edge,
                             const SystemColours& system);

} // namespace quotidia
