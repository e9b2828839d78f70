// A fixture site on a local server, a window in memory and job control, for
// the harvest and download tests.
#pragma once

#include <string>

#include "jobs/job_control.h"
#include "jobs/memory_window.h"
#include "support/test_server.h"

namespace quorrin::test {

std::string ReadFixture(const std::string& relative);

// Serves the three listing pages of the anchor `yy`, their links on `server`.
void ServeListing(TestServer& server, const std::string& yy);

struct SiteFixture {
  explicit SiteFixture(bool autoClose = true);
  ~SiteFixture();

  // Serves the three listing pages of the anchor `yy` on the site's host.
  void ServeListing(const std::string& yy);
  // Starts `job` and waits until every worker has finished.
  void RunToEnd(Job job);

  TestServer server;
  MemoryWindow window;
  std::unique_ptr<JobControl> control;
};

}  // namespace quorrin::test
