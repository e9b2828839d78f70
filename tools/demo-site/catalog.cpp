#include "catalog.h"

#include <map>

namespace quorrin::demo {
namespace {

const char* const kCrlf = "\r\n";

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + kCrlf;
  return out;
}

std::string Head(const std::string& title) {
  return Lines({"<!DOCTYPE html>", "<html>", "<head>", "<meta charset=\"utf-8\">",
                "<title>" + title + "</title>",
                "<style>body{font-family:sans-serif;margin:2em;} li{margin:.3em 0;}</style>",
                "</head>", "<body>"});
}

std::string Header() {
  return Lines({"<div class=\"header\">", "<a href=\"/\">YY神曲 演示站</a>",
                "<a href=\"/play/id_10001.html\">今日推荐</a>", "</div>"});
}

std::string Footer() {
  return Lines({"<div class=\"footer\">", "<p>演示站点：所有作品与视频均为生成的示例数据</p>",
                "<a href=\"/play/id_10002.html\">关于本站</a>", "</div>", "</body>", "</html>"});
}

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '"')
      out += "&quot;";
    else if (c == '&')
      out += "&amp;";
    else
      out.push_back(c);
  }
  return out;
}

std::string Item(const Work& w) {
  return Lines(
      {"<li class=\"sq-item\">",
       "<a href=\"/play/id_" + w.id + ".html\" target=\"_blank\">" + Escape(w.title) + "</a>",
       "</li>"});
}

std::string HomePage() {
  std::string page = Head("YY神曲 - 首页") + Header();
  const auto ids = HomeWorks();
  const size_t half = ids.size() / 2;
  page += Lines({"<div class=\"section-content\">", "<h2>热门神曲</h2>", "<ul>"});
  for (size_t i = 0; i < half; ++i) page += Item(*FindWork(ids[i]));
  page +=
      Lines({"</ul>", "</div>", "<div class=\"section-content\">", "<h2>新鲜出炉</h2>", "<ul>"});
  for (size_t i = half; i < ids.size(); ++i) page += Item(*FindWork(ids[i]));
  page += Lines({"</ul>", "</div>"});
  return page + Footer();
}

std::string ChartPage(const std::string& name, const std::vector<std::string>& ids) {
  std::string page = Head("YY神曲 - " + name) + Header();
  page += Lines({"<div class=\"sq-rank\">", "<h2>" + name + "</h2>",
                 "<div class=\"sq-ranklist-content\">", "<ol>"});
  for (const auto& id : ids) page += Item(*FindWork(id));
  page += Lines({"</ol>", "</div>", "<div class=\"sq-rank-tips\">",
                 "<a href=\"/play/id_10003.html\">往期榜单</a>", "</div>", "</div>"});
  return page + Footer();
}

std::string PlayPage(const Work& w, const std::string& host) {
  // The title and name go in raw, as the platform writes them.
  return Head(w.title + "-在线播放-YY神曲") +
         Lines({"<h1>" + Escape(w.title) + "</h1>",
                "<video controls src=\"/v/" + w.id + ".mp4\" width=\"480\"></video>",
                "<script type=\"text/javascript\">", "var pageInfo = {",
                "worksId:\"" + w.id + "\",worksUrl:\"http://" + host + "/v/" + w.id +
                    ".mp4\",worksName:\"" + w.title + "\",",
                "playCount:" + std::to_string(1000 + std::stoi(w.id) % 977), "};", "</script>",
                "</body>", "</html>"});
}

std::string Listing(const Anchor& a, int page, const std::string& host) {
  std::string out = "{\"result\":0,\"msg\":\"ok\",\"pages\":" + std::to_string(a.pages.size()) +
                    ",\"data\":[" + kCrlf;
  if (page >= 1 && page <= static_cast<int>(a.pages.size())) {
    for (const auto& id : a.pages[page - 1]) {
      out += "{\"worksName\":\"" + FindWork(id)->title + "\",\"worksUrl\":\"http://" + host +
             "/s/" + id + "\",\"beginTime\":\"2019-05-20\",\"anchor\":\"" + a.name + "\"}," + kCrlf;
    }
  }
  return out + "{}]}" + kCrlf;
}

std::string Query(const std::string& target, const std::string& key) {
  const size_t q = target.find('?');
  if (q == std::string::npos) return "";
  const std::string query = "&" + target.substr(q + 1);
  const size_t at = query.find("&" + key + "=");
  if (at == std::string::npos) return "";
  const size_t begin = at + key.size() + 2;
  return query.substr(begin, query.find('&', begin) - begin);
}

}  // namespace

const std::vector<Work>& Works() {
  static const std::vector<Work> works = [] {
    std::vector<Work> w = {
        {"10001", "小幸运"},       {"10002", "演员"},
        {"10003", "爱你"},         {"10004", "爱你"},  // two works, one title
        {"10005", "他说\"晚安\""}, {"10006", "AC/DC 致敬"},
        {"10007", "Live: 夏夜"},   {"10008", "开心🎵"},
        {"10009", "已下架的作品"},  // its video is gone
        {"10010", "光年之外"},     {"10011", "说散就散"},
        {"10012", "体面"},         {"10013", "沙漠骆驼"},
        {"10014", "学猫叫"},       {"10015", "芒种"},
        {"10016", "红昭愿"},       {"10017", "野狼disco"},
        {"10018", "少年"},         {"10019", "桥边姑娘"},
        {"10020", "告白气球"},     {"10021", "稻香"},
        {"10022", "晴天"},         {"10023", "夜曲"},
        {"10024", "七里香"},       {"10025", "青花瓷"},
        {"10026", "不能说的秘密"}, {"10027", "听妈妈的话"},
        {"10028", "菊花台"},       {"10029", "兰亭序"},
        {"10030", "完整版演唱会"},  // large, served slowly
    };
    for (auto& work : w) work.videoBytes = 60000 + (std::stoul(work.id) % 17) * 9000;
    w[8].videoMissing = true;
    w[29].videoBytes = 50u << 20;
    w[29].bytesPerSecond = 4 << 20;
    return w;
  }();
  return works;
}

const Work* FindWork(const std::string& id) {
  for (const auto& w : Works()) {
    if (w.id == id) return &w;
  }
  return nullptr;
}

std::vector<std::string> HomeWorks() {
  return {"10010", "10011", "10012", "10013", "10014", "10015", "10016", "10017"};
}

std::vector<std::string> DailyChart() {
  return {"10001", "10002", "10003", "10004", "10005", "10006", "10007", "10008", "10009"};
}

std::vector<std::string> MonthlyChart() {
  return {"10018", "10019", "10020", "10021", "10022", "10030"};
}

const std::vector<Anchor>& Anchors() {
  static const std::vector<Anchor> anchors = {
      {"12345678",
       "主播小美",
       {{"10020", "10021", "10022", "10023"},
        {"10024", "10025", "10026"},
        {"10027", "10028", "10029", "10030"}}},
      {"87654321", "主播阿杰", {{"10011", "10015", "10017"}}},
  };
  return anchors;
}

std::string VideoBytes(const Work& work) {
  auto box = [](const std::string& type, const std::string& payload) {
    const uint32_t size = static_cast<uint32_t>(payload.size() + 8);
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(size >> shift));
    return out + type + payload;
  };
  std::string ftyp = box("ftyp", std::string("isom\0\0\x02\0isomiso2avc1mp41", 24));
  std::string free = box("free", "quorrin demo " + work.id + " " + work.title);
  const size_t used = ftyp.size() + free.size() + 8;
  const size_t mdatSize = work.videoBytes > used ? work.videoBytes - used : 0;
  std::string data(mdatSize, '\0');
  uint32_t x = static_cast<uint32_t>(std::stoul(work.id)) * 2654435761u;
  for (auto& c : data) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return ftyp + free + box("mdat", data);
}

std::optional<Page> Serve(const std::string& target, const std::string& host) {
  const std::string path = target.substr(0, target.find('?'));
  Page page;
  if (path == "/") {
    page.body = HomePage();
  } else if (path == "/hot/daily.html") {
    page.body = ChartPage("日榜", DailyChart());
  } else if (path == "/hot/monthly.html") {
    page.body = ChartPage("月榜", MonthlyChart());
  } else if (path.rfind("/play/id_", 0) == 0 && path.size() > 14 &&
             path.compare(path.size() - 5, 5, ".html") == 0) {
    const Work* w = FindWork(path.substr(9, path.size() - 14));
    if (!w) return std::nullopt;
    page.body = PlayPage(*w, host);
  } else if (path.rfind("/v/", 0) == 0 && path.size() > 7 &&
             path.compare(path.size() - 4, 4, ".mp4") == 0) {
    const Work* w = FindWork(path.substr(3, path.size() - 7));
    if (!w || w->videoMissing) return std::nullopt;
    page.contentType = "video/mp4";
    page.body = VideoBytes(*w);
    page.bytesPerSecond = w->bytesPerSecond;
  } else if (path == "/u/works/s") {
    const std::string yy = Query(target, "yyno");
    const std::string p = Query(target, "p");
    const int n = p.empty() ? 1 : std::atoi(p.c_str());
    page.contentType = "application/json; charset=utf-8";
    page.body = "{\"result\":1,\"msg\":\"no such anchor\",\"pages\":0,\"data\":[]}";
    for (const auto& a : Anchors()) {
      if (a.yyNumber == yy) page.body = Listing(a, n, host);
    }
  } else if (path.rfind("/u/", 0) == 0) {
    const std::string yy = path.substr(3);
    for (const auto& a : Anchors()) {
      if (a.yyNumber != yy) continue;
      page.body = Head(a.name + " 的主页") + "<h1>" + a.name + "</h1>\r\n<ul>\r\n";
      for (const auto& ids : a.pages)
        for (const auto& id : ids) page.body += Item(*FindWork(id));
      page.body += "</ul>\r\n</body>\r\n</html>\r\n";
    }
    if (page.body.empty()) return std::nullopt;
  } else if (path == "/yy.txt") {
    page.contentType = "text/plain";
    page.body = "1";
  } else if (path == "/yy.html") {
    page.body =
        Head("Quorrin 更新") + "<p>这是演示站点，当前版本已是最新。</p>\r\n</body></html>\r\n";
  } else if (path == "/y.html") {
    page.body =
        "<h3>【Zandrel】Quorrin V1.0</h3><p>主播神曲下载工具。</p>"
        "<p>你正在使用演示站点：首页、日榜、月榜和两位主播的作品都由本机的演示程序提供。</p>"
        "<p>演示主播 YY 号：12345678（三页作品）、87654321（一页作品）。</p>";
  } else {
    return std::nullopt;
  }
  return page;
}

}  // namespace quorrin::demo
