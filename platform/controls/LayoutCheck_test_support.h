// A check of a form's design for tests: names unique, every visible control
// inside its container, no two visible controls of one container overlapping,
// and captions that fit at the desktop's default font (estimated from the
// widths of DejaVu Sans 9 pt at 96 DPI, the default on Debian, with room for
// a button's border, an option's circle and a frame's edge).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quarvel::platform::controls {

class Form;

struct LayoutCheckOptions {
  // Pairs of qualified names that may overlap (one is laid over the other at run time).
  std::vector<std::pair<std::string, std::string>> allowedOverlaps;
};

// Estimated width in twips of `text` on one line.
[[nodiscard]] int EstimatedTextWidth(const std::string& text, bool bold = false);

// One line per problem found; empty when the layout is sound.
[[nodiscard]] std::vector<std::string> LayoutProblems(const Form& form,
                                                      const LayoutCheckOptions& options = {});

}  // namespace quarvel::platform::controls
