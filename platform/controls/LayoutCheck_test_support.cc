#include "platform/controls/LayoutCheck_test_support.h"

#include <algorithm>
#include <set>
#include <sstream>

#include "platform/controls/ComboBox.h"
#include "platform/controls/CommandButton.h"
#include "platform/controls/Form.h"
#include "platform/controls/Frame.h"
#include "platform/controls/Label.h"
#include "platform/controls/ListView.h"
#include "platform/controls/OptionButton.h"
#include "platform/controls/TextBox.h"

namespace quarvel::platform::controls {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kLineHeight = 210;  // 14 px

// Advance widths in pixels of ' ' .. '~' in DejaVu Sans 9 pt at 96 DPI.
constexpr double kNormal[95] = {
    3.81,  4.80,  5.52,  10.05, 7.62,  11.39, 9.34,  3.30,  4.67, 4.67, 6.00, 10.05, 3.81, 4.33,
    3.81,  4.03,  7.62,  7.62,  7.62,  7.62,  7.62,  7.62,  7.62, 7.62, 7.62, 7.62,  4.03, 4.03,
    10.05, 10.05, 10.05, 6.36,  12.00, 8.20,  8.22,  8.38,  9.23, 7.58, 6.89, 9.30,  9.02, 3.53,
    3.53,  7.86,  6.67,  10.34, 8.97,  9.44,  7.23,  9.44,  8.33, 7.61, 7.33, 8.78,  8.20, 11.86,
    8.22,  7.33,  8.22,  4.67,  4.03,  4.67,  10.05, 6.00,  6.00, 7.34, 7.61, 6.59,  7.61, 7.38,
    4.22,  7.61,  7.59,  3.33,  3.33,  6.94,  3.33,  11.69, 7.59, 7.33, 7.61, 7.61,  4.92, 6.25,
    4.70,  7.59,  7.09,  9.81,  7.09,  7.09,  6.30,  7.62,  4.03, 7.62, 10.05};
constexpr double kBold[95] = {
    4.17,  5.47,  6.25,  10.05, 8.34,  12.02, 10.45, 3.67,  5.48, 5.48, 6.27, 10.05, 4.55,  4.97,
    4.55,  4.38,  8.34,  8.34,  8.34,  8.34,  8.34,  8.34,  8.34, 8.34, 8.34, 8.34,  4.80,  4.80,
    10.05, 10.05, 10.05, 6.95,  12.00, 9.28,  9.14,  8.80,  9.95, 8.19, 8.19, 9.84,  10.03, 4.45,
    4.45,  9.30,  7.64,  11.94, 10.03, 10.19, 8.78,  10.19, 9.23, 8.64, 8.17, 9.73,  9.28,  13.23,
    9.25,  8.69,  8.69,  5.48,  4.38,  5.48,  10.05, 6.00,  6.00, 8.09, 8.58, 7.11,  8.58,  8.12,
    5.22,  8.58,  8.53,  4.11,  4.11,  7.97,  4.11,  12.50, 8.53, 8.23, 8.58, 8.58,  5.91,  7.14,
    5.73,  8.53,  7.81,  11.08, 7.73,  7.81,  6.98,  8.53,  4.38, 8.53, 10.05};

struct Rect {
  int left, top, right, bottom;
};

Rect RectOf(const Control& c) {
  return {c.Left(), c.Top(), c.Left() + c.Width(), c.Top() + c.Height()};
}

bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Lines a word-wrapped caption needs at `width`.
int WrappedLines(const std::string& text, int width, bool bold) {
  std::istringstream words(text);
  std::string word, line;
  int lines = 0;
  while (words >> word) {
    const std::string candidate = line.empty() ? word : line + " " + word;
    if (!line.empty() && EstimatedTextWidth(candidate, bold) > width) {
      ++lines;
      line = word;
    } else {
      line = candidate;
    }
  }
  return lines + (line.empty() ? 0 : 1);
}

class Checker {
 public:
  Checker(const Form& form, const LayoutCheckOptions& options) : form_(form), options_(options) {}

  std::vector<std::string> Run() {
    std::set<std::string> names;
    for (const Control* c : form_.AllControls()) {
      if (!names.insert(c->QualifiedName()).second) Report(*c, "name used twice");
    }
    CheckContainer(form_);
    for (const Control* c : form_.AllControls()) {
      if (c->Visible()) CheckText(*c);
    }
    return problems_;
  }

 private:
  void Report(const Control& c, const std::string& what) {
    problems_.push_back(c.QualifiedName() + ": " + what);
  }

  bool Allowed(const Control& a, const Control& b) const {
    for (const auto& [x, y] : options_.allowedOverlaps) {
      if ((x == a.QualifiedName() && y == b.QualifiedName()) ||
          (y == a.QualifiedName() && x == b.QualifiedName())) {
        return true;
      }
    }
    return false;
  }

  void CheckContainer(const Container& container) {
    const bool frame = container.Kind() == ControlKind::kFrame;
    // A frame's caption takes its top; its edge takes a little all round.
    const Rect inner = frame ? Rect{45, 225, container.Width() - 45, container.Height() - 45}
                             : Rect{0, 0, container.Width(), container.Height()};
    std::vector<const Control*> shown;
    for (const Control* c : container.Controls()) {
      if (!c->Visible() || c->Kind() == ControlKind::kImageList) continue;
      const Rect r = RectOf(*c);
      if (c->Width() == 0 || c->Height() == 0) Report(*c, "has no size");
      if (r.left < inner.left || r.top < inner.top || r.right > inner.right ||
          r.bottom > inner.bottom) {
        Report(*c, "reaches outside " + container.QualifiedName());
      }
      for (const Control* other : shown) {
        if (Overlap(r, RectOf(*other)) && !Allowed(*c, *other)) {
          Report(*c, "overlaps " + other->QualifiedName());
        }
      }
      shown.push_back(c);
      if (c->Kind() == ControlKind::kFrame) CheckContainer(static_cast<const Frame&>(*c));
    }
  }

  void NeedWidth(const Control& c, const std::string& text, int padding) {
    const int needed = EstimatedTextWidth(text, c.FontBold()) + padding;
    if (needed > c.Width()) {
      Report(c, "\"" + text + "\" needs " + std::to_string(needed) + " twips, has " +
                    std::to_string(c.Width()));
    }
  }

  void CheckText(const Control& c) {
    switch (c.Kind()) {
      case ControlKind::kLabel: {
        const auto& label = static_cast<const Label&>(c);
        if (label.WordWrap()) {
          const int lines = WrappedLines(label.Caption(), label.Width(), label.FontBold());
          if (lines * kLineHeight > label.Height()) Report(c, "wrapped caption needs more height");
        } else {
          NeedWidth(c, label.Caption(), 30);
          if (label.Height() < kLineHeight) Report(c, "lower than a line of text");
        }
        break;
      }
      case ControlKind::kCommandButton:
        NeedWidth(c, static_cast<const CommandButton&>(c).Caption(), 300);
        if (c.Height() < 330) Report(c, "lower than a button");
        break;
      case ControlKind::kOptionButton:
        NeedWidth(c, static_cast<const OptionButton&>(c).Caption(), 300);
        break;
      case ControlKind::kFrame:
        NeedWidth(c, static_cast<const Frame&>(c).Caption(), 300);
        break;
      case ControlKind::kTextBox: {
        const auto& box = static_cast<const TextBox&>(c);
        if (!box.MultiLine()) {
          NeedWidth(c, box.Text(), 150);
          if (c.Height() < 285) Report(c, "lower than a text box");
        }
        break;
      }
      case ControlKind::kComboBox: {
        const auto& combo = static_cast<const ComboBox&>(c);
        for (int i = 0; i < combo.ListCount(); ++i) NeedWidth(c, combo.List(i), 450);
        if (c.Height() < 285) Report(c, "lower than a combo box");
        break;
      }
      case ControlKind::kListView:
        for (const ColumnHeader& column : static_cast<const ListView&>(c).ColumnHeaders()) {
          if (EstimatedTextWidth(column.Text()) + 180 > column.Width()) {
            Report(c, "column \"" + column.Text() + "\" is too narrow for its caption");
          }
        }
        break;
      default:
        break;
    }
  }

  const Form& form_;
  const LayoutCheckOptions& options_;
  std::vector<std::string> problems_;
};

}  // namespace

int EstimatedTextWidth(const std::string& text, bool bold) {
  double pixels = 0;
  for (unsigned char c : text) {
    if (c >= 32 && c < 127) {
      pixels += (bold ? kBold : kNormal)[c - 32];
    } else if (c >= 0xC0 || c < 0x80) {
      pixels += 9;  // the first byte of any other character
    }
  }
  return static_cast<int>(pixels * kTwipsPerPixel + 0.5);
}

std::vector<std::string> LayoutProblems(const Form& form, const LayoutCheckOptions& options) {
  return Checker(form, options).Run();
}

}  // namespace quarvel::platform::controls
