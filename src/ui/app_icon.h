// The program's icon, the same picture for every front end: a pair of quavers
// over a download arrow on a blue tile, in a 256 x 256 space, painted in the
// order below. Each toolkit draws it its own way (Qt with a painter; the
// Windows build's icon tool by sampling), from these figures alone. The
// desktop's menus show resources/quorrin.svg, the same picture: keep it in step.
#pragma once

namespace quorrin::ui::icon {

struct Point {
  double x, y;
};
struct Box {
  double x, y, w, h;
};
struct Colour {
  int r, g, b;
};

// The tile: a rounded square shaded from top to bottom.
inline constexpr Box kTile{12, 12, 232, 232};
inline constexpr double kTileRadius = 48;
inline constexpr Colour kTileTop{0x4F, 0x8F, 0xE8};
inline constexpr Colour kTileBottom{0x1F, 0x4F, 0xA3};

// The quavers, in white: two stems, the beam between them, two heads.
inline constexpr Colour kNotes{0xFF, 0xFF, 0xFF};
inline constexpr Box kStems[] = {{134, 56, 16, 108}, {74, 80, 16, 100}};
inline constexpr Point kBeam[] = {{74, 80}, {150, 56}, {150, 76}, {74, 100}};
inline constexpr Box kHeads[] = {{90, 146, 60, 44}, {30, 166, 60, 44}};

// The arrow, in yellow, outlined in the tile's dark blue.
inline constexpr Point kArrow[] = {{176, 150}, {204, 150}, {162, 198}, {120, 150},
                                   {148, 150}, {148, 114}, {176, 114}};
inline constexpr Colour kArrowFill{0xFF, 0xD5, 0x4A};
inline constexpr Colour kArrowOutline = kTileBottom;
inline constexpr double kArrowOutlineWidth = 6;

}  // namespace quorrin::ui::icon
