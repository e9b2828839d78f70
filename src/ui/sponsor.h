// The four codes of the tab 赞助: which picture box shows which text, with
// the picture's resolution, caption and frame colour.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ui/hosts.h"
#include "webtext/text.h"

namespace quorrin::ui {

struct SponsorCode {
  std::string_view picture;  // the picture box's form name
  Utf8 code;                 // what the QR code encodes
  int side;                  // pixels of the drawn picture (stretched into its box)
  std::string_view caption;  // empty: a bare code without frame
  uint32_t frameRgb;         // 0xRRGGBB
};

// The web code leads to the update host's site when there is one.
std::vector<SponsorCode> SponsorCodes(const SiteHosts& hosts);

}  // namespace quorrin::ui
