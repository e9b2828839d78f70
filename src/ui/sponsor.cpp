#include "ui/sponsor.h"

namespace quorrin::ui {

std::vector<SponsorCode> SponsorCodes(const SiteHosts& hosts) {
  const Utf8 site = hosts.update.empty() ? Utf8(std::string_view(QUORRIN_SPONSOR_WEB))
                                         : "http://"_u8 + Utf8(hosts.update);
  return {
      {"图片框1", Utf8(std::string_view(QUORRIN_SPONSOR_WECHAT)), 800, "微信", 0x1AAD19},
      {"图片框2", Utf8(std::string_view(QUORRIN_SPONSOR_ALIPAY)), 900, "支付宝", 0x1677FF},
      {"图片框3", Utf8(std::string_view(QUORRIN_SPONSOR_QQ)), 1000, "QQ", 0x12B7F5},
      {"图片框4", site, 280, "", 0xFFFFFF},
  };
}

}  // namespace quorrin::ui
