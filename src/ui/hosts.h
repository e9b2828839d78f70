// The three hosts the program talks to.
#pragma once

#include <string>

namespace quorrin {

struct SiteHosts {
  std::string mainSite;    // works listings and anchors' home pages
  std::string shenquSite;  // front page, charts and play pages
  std::string update;      // update flag, update page and about page; empty: none
};

// The hosts compiled into this build.
SiteHosts CompiledHosts();

}  // namespace quorrin
