#include "support/test_server.h"

#include <httplib.h>
#ifndef _WIN32
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif
#include <zlib.h>

#include <fstream>
#include <sstream>

namespace quorrin::test {
namespace {

bool IsInternalHeader(const std::string& name) {
  return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
         name == "LOCAL_PORT";
}

std::string ReadFile(const std::string& path, bool* ok) {
  std::ifstream in(path, std::ios::binary);
  *ok = static_cast<bool>(in);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TestServer::TestServer()
    : server_(std::make_unique<httplib::Server>()),
      released_(std::make_shared<std::atomic<bool>>(false)) {
  server_->new_task_queue = [] { return new httplib::ThreadPool(8); };
  server_->set_keep_alive_max_count(1);
  server_->Get(R"(.*)", [this](const httplib::Request& req, httplib::Response& res) {
    RecordedRequest rec;
    rec.requestLine = req.method + " " + req.target + " " + req.version;
    rec.path = req.path;
    rec.target = req.target;
    rec.at = std::chrono::steady_clock::now();
    for (const auto& [name, value] : req.headers) {
      if (!IsInternalHeader(name)) rec.headers.emplace_back(name, value);
    }
    Reply reply;
    bool found = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(rec);
      auto it = routes_.find(req.target);
      if (it == routes_.end()) it = routes_.find(req.path);
      if (it != routes_.end()) {
        reply = it->second;
        found = true;
      } else if (!folder_.empty() && req.path.find("..") == std::string::npos) {
        const std::string rel = req.path == "/" ? "/index.html" : req.path;
        bool ok = false;
        reply.body = ReadFile(folder_ + rel, &ok);
        found = ok;
      }
    }
    if (!found) {
      res.status = 404;
      res.set_content("<html>not found</html>", "text/html");
      return;
    }
    res.status = reply.status;
    if (!reply.contentEncoding.empty()) res.set_header("Content-Encoding", reply.contentEncoding);
    if (!reply.location.empty()) {
      res.set_header("Location", reply.location);
      res.set_content(reply.body, reply.contentType.c_str());
      return;
    }
    auto released = released_;
    if (reply.stall) {
      const size_t size = reply.body.size() + 1;
      res.set_content_provider(size, reply.contentType.c_str(),
                               [released](size_t, size_t, httplib::DataSink&) {
                                 // Hold the connection without sending a byte.
                                 for (int i = 0; i < 600 && !released->load(); ++i) {
                                   std::this_thread::sleep_for(std::chrono::milliseconds(10));
                                 }
                                 return false;
                               });
      return;
    }
    auto body = std::make_shared<std::string>(std::move(reply.body));
    const long breakAfter = reply.breakAfter;
    const long rate = reply.rateBytesPerSecond;
    auto provide = [body, breakAfter, rate, released](size_t offset, size_t length,
                                                      httplib::DataSink& sink) {
      size_t limit = body->size();
      if (breakAfter >= 0) limit = std::min(limit, static_cast<size_t>(breakAfter));
      if (offset >= limit) return false;  // break the connection off
      size_t n = std::min({length, limit - offset, static_cast<size_t>(64 * 1024)});
      if (rate > 0) {
        // Twenty pieces a second, or one byte at a time when slower.
        n = std::min(n, static_cast<size_t>(std::max(1L, rate / 20)));
        const auto pause = std::chrono::milliseconds(rate >= 20 ? 50 : 1000 / rate);
        const auto until = std::chrono::steady_clock::now() + pause;
        while (std::chrono::steady_clock::now() < until) {
          if (released->load()) return false;
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
      }
      return sink.write(body->data() + offset, n);
    };
    if (reply.noLength) {
      res.set_content_provider(
          reply.contentType.c_str(),
          [body, offset = std::make_shared<size_t>(0)](size_t, httplib::DataSink& sink) {
            if (*offset >= body->size()) {
              sink.done();
              return true;
            }
            const size_t n = std::min(body->size() - *offset, static_cast<size_t>(64 * 1024));
            const bool ok = sink.write(body->data() + *offset, n);
            *offset += n;
            return ok;
          });
      return;
    }
    res.set_content_provider(body->size(), reply.contentType.c_str(), provide);
  });
  port_ = server_->bind_to_any_port("127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TestServer::~TestServer() {
  Release();
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

void TestServer::Serve(const std::string& path, Reply reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  routes_[path] = std::move(reply);
}

void TestServer::Serve(const std::string& path, std::string body, int status) {
  Reply r;
  r.body = std::move(body);
  r.status = status;
  Serve(path, std::move(r));
}

void TestServer::ServeFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(mutex_);
  folder_ = folder;
}

std::string TestServer::host() const {
  return "127.0.0.1:" + std::to_string(port_);
}

std::vector<RecordedRequest> TestServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void TestServer::ClearRequests() {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.clear();
}

std::vector<std::string> TestServer::RequestedTargets() const {
  std::vector<std::string> out;
  for (const auto& r : Requests()) out.push_back(r.target);
  return out;
}

void TestServer::Release() {
  released_->store(true);
}

std::string Encoded(const std::string& body, const std::string& encoding) {
  // windowBits 15 gives the zlib wrapper (HTTP's "deflate"), 15 + 16 gzip's.
  z_stream z{};
  const int bits = encoding == "gzip" ? 15 + 16 : 15;
  if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, bits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    return std::string();
  std::string out(deflateBound(&z, body.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
  z.avail_in = static_cast<uInt>(body.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return rc == Z_STREAM_END ? out : std::string();
}

int RefusedPort() {
  // Bind a port, then close it: nothing listens there afterwards. (httplib
  // has started Windows sockets already.)
#ifdef _WIN32
  const SOCKET fd = socket(AF_INET, SOCK_STREAM, 0);
  int len = sizeof(sockaddr_in);
#else
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  socklen_t len = sizeof(sockaddr_in);
#endif
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  const int port = ntohs(addr.sin_port);
#ifdef _WIN32
  closesocket(fd);
#else
  close(fd);
#endif
  return port;
}

bool RunningUnderWine() {
#ifdef _WIN32
  // Wine's ntdll exports its version; Windows' does not.
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
  return false;
#endif
}

}  // namespace quorrin::test
