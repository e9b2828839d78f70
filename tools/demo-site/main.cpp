// A small demo of the platform's public pages, on 127.0.0.1.
//   demo-site [PORT]   (0 or none: pick a free port)
// Prints "listening on 127.0.0.1:PORT", then each request line; stops on
// SIGINT or SIGTERM.
#include <httplib.h>
#include <signal.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "catalog.h"

int main(int argc, char** argv) {
  // Signals are taken by one thread with sigwait, so the server stops cleanly.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  const int wanted = argc > 1 ? std::atoi(argv[1]) : 0;
  httplib::Server server;
  std::string host;
  server.Get(".*", [&host](const httplib::Request& req, httplib::Response& res) {
    std::printf("%s %s %s\n", req.method.c_str(), req.target.c_str(), req.version.c_str());
    std::fflush(stdout);
    auto page = quorrin::demo::Serve(req.target, host);
    if (!page) {
      res.status = 404;
      res.set_content("<html><body>404 not found</body></html>", "text/html");
      return;
    }
    res.status = page->status;
    auto body = std::make_shared<std::string>(std::move(page->body));
    const long rate = page->bytesPerSecond;
    res.set_content_provider(body->size(), page->contentType.c_str(),
                             [body, rate](size_t offset, size_t length, httplib::DataSink& sink) {
                               size_t n = std::min<size_t>(length, 64 * 1024);
                               if (rate > 0) {
                                 n = std::min<size_t>(n, static_cast<size_t>(rate / 10));
                                 std::this_thread::sleep_for(std::chrono::milliseconds(100));
                               }
                               return sink.write(body->data() + offset, n);
                             });
  });
  int port = wanted;
  if (wanted > 0) {
    if (!server.bind_to_port("127.0.0.1", wanted)) {
      std::fprintf(stderr, "demo-site: port %d is taken\n", wanted);
      return 1;
    }
  } else {
    port = server.bind_to_any_port("127.0.0.1");
  }
  if (port <= 0) return 1;
  host = "127.0.0.1:" + std::to_string(port);
  std::printf("listening on %s\n", host.c_str());
  std::fflush(stdout);

  std::atomic<bool> signalled{false};
  std::thread stopper([&] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    signalled = true;
    server.stop();
  });
  server.listen_after_bind();
  if (!signalled) kill(getpid(), SIGTERM);  // the server ended on its own: free the stopper
  stopper.join();
  std::printf("demo-site: stopped\n");
  return 0;
}
