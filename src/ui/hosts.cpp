#include "ui/hosts.h"

namespace quorrin {

SiteHosts CompiledHosts() {
  return {QUORRIN_MAIN_SITE_HOST, QUORRIN_SHENQU_SITE_HOST, QUORRIN_UPDATE_HOST};
}

}  // namespace quorrin
