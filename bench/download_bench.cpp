// Times the download path of a DownloadAllJob over one row against curl on
// the same 256 MB file from a local server, and the job's peak memory.
//   download_bench [size-in-MB]
#include <httplib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "download/download_job.h"
#include "jobs/job_control.h"
#include "jobs/memory_window.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      return value;
    }
    status.ignore(1 << 12, '\n');
  }
  return 0;
}

void WriteVideo(const fs::path& path, size_t megabytes) {
  std::ofstream out(path, std::ios::binary);
  std::string block(1 << 20, '\0');
  uint32_t x = 12345;
  for (size_t mb = 0; mb < megabytes; ++mb) {
    for (auto& c : block) {
      x = x * 1664525u + 1013904223u;
      c = static_cast<char>(x >> 24);
    }
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
}

// Serves `file` at /video.mp4 in a child process; gives its port.
int ServeInChild(const fs::path& file, pid_t* child) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  *child = fork();
  if (*child == 0) {
    close(fds[0]);
    httplib::Server server;
    const std::string path = file.string();
    const size_t size = fs::file_size(file);
    server.Get("/video.mp4", [path, size](const httplib::Request&, httplib::Response& res) {
      auto in = std::make_shared<std::ifstream>(path, std::ios::binary);
      res.set_content_provider(size, "video/mp4",
                               [in](size_t offset, size_t length, httplib::DataSink& sink) {
                                 static thread_local std::string chunk(256 * 1024, '\0');
                                 const size_t n = std::min(length, chunk.size());
                                 in->seekg(static_cast<std::streamoff>(offset));
                                 in->read(chunk.data(), static_cast<std::streamsize>(n));
                                 return sink.write(chunk.data(), n);
                               });
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (write(fds[1], &port, sizeof port) != sizeof port) _exit(1);
    close(fds[1]);
    server.listen_after_bind();
    _exit(0);
  }
  close(fds[1]);
  int port = -1;
  if (read(fds[0], &port, sizeof port) != sizeof port) port = -1;
  close(fds[0]);
  return port;
}

bool SameFile(const fs::path& a, const fs::path& b) {
  if (fs::file_size(a) != fs::file_size(b)) return false;
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  std::string bx(1 << 20, '\0'), by(1 << 20, '\0');
  while (x && y) {
    x.read(bx.data(), static_cast<std::streamsize>(bx.size()));
    y.read(by.data(), static_cast<std::streamsize>(by.size()));
    if (x.gcount() != y.gcount() || bx.compare(0, x.gcount(), by, 0, y.gcount()) != 0) return false;
  }
  return true;
}

double TimeCurl(const std::string& url, const fs::path& out) {
  fs::remove(out);
  const auto begin = Clock::now();
  const std::string command = "curl -s -o '" + out.string() + "' '" + url + "'";
  if (std::system(command.c_str()) != 0) return -1;
  return std::chrono::duration<double>(Clock::now() - begin).count();
}

double TimeJob(const std::string& url, const fs::path& folder, long* peakKiB) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  quorrin::MemoryWindow window;
  window.SetText(quorrin::controls::kDownloadFolder, folder.string(), nullptr);
  window.AppendRow(nullptr);
  window.SetCell(0, 1, "bench", nullptr);
  window.SetCell(0, 3, url, nullptr);
  auto control = quorrin::CreateWorkerRegistry(window);
  quorrin::SetIdle(*control);
  std::atomic<bool> done{false};
  long peak = 0;
  std::thread sampler([&] {
    while (!done) {
      peak = std::max(peak, ResidentKiB());
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  const auto begin = Clock::now();
  quorrin::StartJob(*control, quorrin::DownloadAllJob());
  quorrin::WaitForWorkers(*control, std::chrono::minutes(5));
  const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
  done = true;
  sampler.join();
  quorrin::ReleaseJobControl(*control);
  *peakKiB = peak;
  return window.Messages().size() == 1 && fs::exists(folder / "bench.mp4") ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t megabytes = argc > 1 ? std::stoul(argv[1]) : 256;
  const fs::path dir = fs::temp_directory_path() / ("quorrin-dlbench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path source = dir / "source.mp4";
  WriteVideo(source, megabytes);
  pid_t child = 0;
  const int port = ServeInChild(source, &child);
  if (port <= 0) return 1;
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/video.mp4";

  const long idleKiB = ResidentKiB();
  double curlBest = -1, jobBest = -1;
  long peakKiB = 0;
  for (int run = 0; run < 3; ++run) {
    const double c = TimeCurl(url, dir / "curl.mp4");
    long peak = 0;
    const double j = TimeJob(url, dir / "job", &peak);
    if (c < 0 || j < 0) {
      std::printf("run %d failed (curl %.2f, job %.2f)\n", run, c, j);
      continue;
    }
    std::printf("run %d: curl %.3f s, job %.3f s\n", run, c, j);
    if (curlBest < 0 || c < curlBest) curlBest = c;
    if (jobBest < 0 || j < jobBest) jobBest = j;
    peakKiB = std::max(peakKiB, peak);
  }
  const bool same =
      SameFile(source, dir / "job" / "bench.mp4") && SameFile(source, dir / "curl.mp4");
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  fs::remove_all(dir);
  if (curlBest < 0 || jobBest < 0) return 1;
  const double mb = static_cast<double>(megabytes);
  std::printf("\nfile: %zu MB, files identical to the source: %s\n", megabytes,
              same ? "yes" : "NO");
  std::printf("curl -s -o:          %.0f MB/s\n", mb / curlBest);
  std::printf("DownloadAllJob:      %.0f MB/s\n", mb / jobBest);
  std::printf("throughput ratio:    %.2f (goal >= 0.9)\n", curlBest / jobBest);
  std::printf("peak resident above idle: %.1f MB (goal <= 32 MB)\n", (peakKiB - idleKiB) / 1024.0);
  return same ? 0 : 1;
}
