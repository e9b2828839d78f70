#include "support/harvest_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace quorrin::test {

std::string ReadFixture(const std::string& relative) {
  std::ifstream in(std::string(QUORRIN_FIXTURES) + "/" + relative, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

SiteFixture::SiteFixture(bool autoClose) : window(autoClose) {
  server.ServeFolder(std::string(QUORRIN_FIXTURES) + "/site");
  control = CreateWorkerRegistry(window);
  SetIdle(*control);
}

SiteFixture::~SiteFixture() {
  EndAllWorkers(*control);
  server.Release();
  ReleaseJobControl(*control);
}

void ServeListing(TestServer& server, const std::string& yy) {
  for (int p = 1; p <= 3; ++p) {
    std::string page = ReadFixture("listing/page" + std::to_string(p) + ".txt");
    const std::string marker = "{{MAIN_HOST}}";
    for (size_t at = page.find(marker); at != std::string::npos; at = page.find(marker, at)) {
      page.replace(at, marker.size(), server.host());
    }
    server.Serve("/u/works/s?yyno=" + yy + "&p=" + std::to_string(p), page);
  }
}

void SiteFixture::ServeListing(const std::string& yy) {
  test::ServeListing(server, yy);
}

void SiteFixture::RunToEnd(Job job) {
  StartJob(*control, std::move(job));
  ASSERT_TRUE(WaitForWorkers(*control, std::chrono::seconds(60)));
}

}  // namespace quorrin::test
