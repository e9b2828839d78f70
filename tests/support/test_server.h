// An in-process HTTP server on 127.0.0.1 with an ephemeral port, for tests.
// Routes are exact targets (path and query) or else exact paths; every request
// is recorded with its request line and headers.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "webtext/text.h"

namespace httplib {
class Server;
}

namespace quorrin::test {

struct RecordedRequest {
  std::string requestLine;  // "GET /path?query HTTP/1.0"
  std::string path;         // without the query
  std::string target;       // path and query as sent
  std::vector<std::pair<std::string, std::string>> headers;
  std::chrono::steady_clock::time_point at;
};

struct Reply {
  int status = 200;
  std::string body;
  std::string contentType = "text/html";
  std::string location;  // a redirect when set
  // Announce the whole body's length but send only this many bytes, then close.
  long breakAfter = -1;
  // Send nothing after the headers until the server stops (or this long).
  bool stall = false;
  // Send the body in pieces with a pause between them (bytes per second; a
  // rate under 20 sends one byte at a time).
  long rateBytesPerSecond = 0;
  // Omit Content-Length; the body ends when the connection closes.
  bool noLength = false;
  // Sent as the Content-Encoding header, over the body as given (see Encoded).
  std::string contentEncoding;
};

// `body` compressed for the Content-Encoding "gzip" or "deflate".
std::string Encoded(const std::string& body, const std::string& encoding);

class TestServer {
 public:
  TestServer();
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  // Serves `reply` for `path` (or a whole target with its query). A later
  // call for the same path replaces it.
  void Serve(const std::string& path, Reply reply);
  void Serve(const std::string& path, std::string body, int status = 200);
  // Serves every file below `folder`, by its relative path ("/" is "index.html").
  void ServeFolder(const std::string& folder);

  int port() const { return port_; }
  // "127.0.0.1:port"
  std::string host() const;
  Text Url(const std::string& path) const { return Text("http://" + host() + path); }

  std::vector<RecordedRequest> Requests() const;
  std::vector<std::string> RequestedTargets() const;
  // Forgets the requests recorded so far.
  void ClearRequests();
  // Ends every stall and refuses new ones.
  void Release();

 private:
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::map<std::string, Reply> routes_;
  std::string folder_;
  std::vector<RecordedRequest> requests_;
  std::shared_ptr<std::atomic<bool>> released_;
};

// A port on 127.0.0.1 that nothing listens on.
int RefusedPort();

// True when the tests run under Wine rather than on Windows or Linux.
bool RunningUnderWine();

}  // namespace quorrin::test
