// A control's colour: either a fixed RGB value or one of the desktop's system
// colours, which the renderer maps to its palette (the program sets a list's
// background to "inactive border" and the status light to "info background",
// and compares them later, so a system colour stays symbolic here).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace quarvel::platform::controls {

enum class SystemColor {
  kInfoBackground,    // tooltip background: the status light while busy
  kInactiveBorder,    // the folder list's background in store-wide mode
  kWindowBackground,  // text boxes, lists
  kButtonFace,        // forms, frames, buttons, labels
  kWindowText,        // default text colour
};

class Color {
 public:
  [[nodiscard]] static constexpr Color Rgb(std::uint8_t red, std::uint8_t green,
                                           std::uint8_t blue) {
    return Color(false, SystemColor::kWindowText, red, green, blue);
  }
  [[nodiscard]] static constexpr Color System(SystemColor color) {
    return Color(true, color, 0, 0, 0);
  }

  [[nodiscard]] constexpr bool IsSystem() const { return system_; }
  // Meaningful only for a system colour.
  [[nodiscard]] constexpr SystemColor SystemColorName() const { return systemColor_; }
  // Meaningful only for an RGB colour.
  [[nodiscard]] constexpr std::uint8_t Red() const { return red_; }
  [[nodiscard]] constexpr std::uint8_t Green() const { return green_; }
  [[nodiscard]] constexpr std::uint8_t Blue() const { return blue_; }

  [[nodiscard]] std::string Describe() const;
  friend constexpr bool operator==(const Color&, const Color&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Color& c) { return os << c.Describe(); }

 private:
  constexpr Color(bool system, SystemColor systemColor, std::uint8_t red, std::uint8_t green,
                  std::uint8_t blue)
      : system_(system), systemColor_(systemColor), red_(red), green_(green), blue_(blue) {}

  bool system_;
  SystemColor systemColor_;
  std::uint8_t red_, green_, blue_;
};

inline constexpr Color kBlack = Color::Rgb(0, 0, 0);
inline constexpr Color kWhite = Color::Rgb(255, 255, 255);
inline constexpr Color kRed = Color::Rgb(255, 0, 0);
inline constexpr Color kGreen = Color::Rgb(0, 255, 0);
inline constexpr Color kBlue = Color::Rgb(0, 0, 255);

}  // namespace quarvel::platform::controls
