// Downloads of 1, 16 and 256 MiB from a local server on 127.0.0.1, in one run:
//  - whole processes, in turn: fetch_file (the download job's Fetch and
//    PartFile in a program of their own), curl -s -o and wget -q -O; time
//    from start to exit, peak memory from the kernel (the child's ru_maxrss);
//  - in this process, in turn: DownloadAllJob over one row (job control,
//    window calls, file naming), from its start to its closing message, and
//    the bare Fetch and PartFile; peak memory
//    from the kernel's high-water mark (VmHWM, reset before each run).
// Every file written is compared with the source.
//   download_bench [rounds] [MiB...]   (default 10 rounds; 1 16 256 MiB)
#include <fcntl.h>
#include <httplib.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "download/download_job.h"
#include "fetch_to_file.h"
#include "jobs/job_control.h"
#include "jobs/memory_window.h"
#include "paired.h"

namespace fs = std::filesystem;

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

void WriteVideo(const fs::path& path, size_t mebibytes) {
  std::ofstream out(path, std::ios::binary);
  std::string block(1 << 20, '\0');
  uint32_t x = 12345;
  for (size_t mb = 0; mb < mebibytes; ++mb) {
    for (auto& c : block) {
      x = x * 1664525u + 1013904223u;
      c = static_cast<char>(x >> 24);
    }
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
}

// Serves `file` at /video.mp4 from a child process, straight from a mapping
// of the file; gives its port.
int ServeInChild(const fs::path& file, pid_t* child) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  *child = fork();
  if (*child == 0) {
    close(fds[0]);
    const int fd = open(file.c_str(), O_RDONLY);
    const size_t size = fs::file_size(file);
    const char* data = static_cast<const char*>(mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0));
    if (data == MAP_FAILED) _exit(1);
    httplib::Server server;
    server.Get("/video.mp4", [data, size](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(
          size, "video/mp4", [data](size_t offset, size_t length, httplib::DataSink& sink) {
            return sink.write(data + offset, std::min<size_t>(length, 1 << 20));
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
  std::error_code ec;
  if (fs::file_size(a, ec) != fs::file_size(b, ec) || ec) return false;
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  std::string bx(1 << 20, '\0'), by(1 << 20, '\0');
  while (x && y) {
    x.read(bx.data(), static_cast<std::streamsize>(bx.size()));
    y.read(by.data(), static_cast<std::streamsize>(by.size()));
    if (x.gcount() != y.gcount() || bx.compare(0, x.gcount(), by, 0, y.gcount()) != 0) return false;
  }
  return true;
}

long StatusKiB(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string word;
  long value = 0;
  while (status >> word) {
    if (word == key) {
      status >> value;
      return value;
    }
    status.ignore(1 << 12, '\n');
  }
  return 0;
}

// Sets VmHWM back to the current resident size (Linux 4.0 and later).
bool ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}

struct Tool {
  std::string name;
  std::vector<std::string> argv;  // "{url}" and "{out}" are filled in
};

// Runs a tool as a process; its seconds from start to exit, or -1 when it
// failed or wrote something else. `peakKiB` gets its ru_maxrss.
double RunTool(const Tool& tool, const std::string& url, const fs::path& out,
               const fs::path& source, long* peakKiB) {
  std::vector<std::string> args;
  for (const std::string& a : tool.argv) {
    args.push_back(a == "{url}" ? url : a == "{out}" ? out.string() : a);
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  fs::remove(out);
  const auto begin = bench::Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return -1;
  const double seconds = std::chrono::duration<double>(bench::Clock::now() - begin).count();
  *peakKiB = usage.ru_maxrss;
  const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && SameFile(source, out);
  fs::remove(out);
  return ok ? seconds : -1;
}

// DownloadAllJob over one row whose download address is `url`, until it shows
// its closing message (the window wakes the waiter; polling for the worker's
// end would add its interval); the worker is joined after that.
bool RunJob(const std::string& url, const fs::path& folder, double* seconds) {
  quorrin::MemoryWindow window;
  window.SetPath(quorrin::controls::kDownloadFolder, folder, nullptr);
  window.AppendRow(nullptr);
  window.SetCell(0, 1, quorrin::Text(std::string("bench")), nullptr);
  window.SetCell(0, 3, quorrin::Text(url), nullptr);
  auto control = quorrin::CreateWorkerRegistry(window);
  quorrin::SetIdle(*control);
  bool shown = false;
  *seconds = bench::Seconds([&] {
    quorrin::StartJob(*control, quorrin::DownloadAllJob());
    shown = window.WaitFor([&] { return !window.Messages().empty(); }, std::chrono::minutes(5));
  });
  const bool finished = quorrin::WaitForWorkers(*control, std::chrono::minutes(5));
  quorrin::ReleaseJobControl(*control);
  return shown && finished && window.Messages().size() == 1;
}

// Runs `download` in this process; its seconds, or -1 when it failed or
// wrote something else. `memory` gets the resident size's high-water mark
// during the run and the resident size before it.
struct Resident {
  long peakKiB = 0, beforeKiB = 0;
};

// `download` gives whether it succeeded and sets its seconds.
template <class F>
double RunInProcess(F&& download, const fs::path& out, const fs::path& source, Resident* memory) {
  fs::remove(out);
  ResetPeak();
  memory->beforeKiB = StatusKiB("VmRSS:");
  double seconds = -1;
  bool ok = download(&seconds);
  memory->peakKiB = StatusKiB("VmHWM:");
  ok = ok && SameFile(source, out);
  fs::remove(out);
  return ok ? seconds : -1;
}

double MedianMiB(const std::vector<long>& kib) {
  std::vector<double> v(kib.begin(), kib.end());
  return bench::SpreadOf(v).median / 1024.0;
}

void PrintSpeed(const std::vector<double>& seconds, double mebibytes) {
  std::printf("  %-44s %.0f MiB/s at the median\n", "",
              mebibytes / bench::SpreadOf(seconds).median);
}

bool BenchSize(size_t mebibytes, int rounds, const fs::path& dir) {
  const fs::path source = dir / "source.mp4";
  WriteVideo(source, mebibytes);
  pid_t child = 0;
  const int port = ServeInChild(source, &child);
  if (port <= 0) return false;
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/video.mp4";
  const fs::path out = dir / "out.mp4";

  std::printf(
      "\n== %zu MiB from a local server on 127.0.0.1, %d rounds; every file written is "
      "compared with the source\n",
      mebibytes, rounds);
  std::printf(
      "whole processes in turn: fetch_file (the job's Fetch + PartFile as a program) vs curl -s "
      "-o vs wget -q -O, start to exit\n");
  const std::vector<Tool> tools = {
      {"fetch_file", {QUORRIN_FETCH_FILE, "{url}", "{out}"}},
      {"curl -s -o", {"curl", "-s", "-o", "{out}", "{url}"}},
      {"wget -q -O", {"wget", "-q", "-O", "{out}", "{url}"}},
  };
  std::vector<std::vector<long>> peaks(tools.size());
  std::vector<bench::Peer> peers;
  for (size_t k = 0; k < tools.size(); ++k) {
    peers.push_back([&, k] {
      long peak = 0;
      const double s = RunTool(tools[k], url, out, source, &peak);
      peaks[k].push_back(peak);
      return s;
    });
  }
  auto t = bench::RunRounds(rounds, peers);
  bool ok = !t.empty();
  if (ok) {
    for (size_t k = 0; k < tools.size(); ++k) {
      peaks[k].erase(peaks[k].begin());  // the warm-up round
      bench::PrintTimes(tools[k].name, t[k]);
      PrintSpeed(t[k], static_cast<double>(mebibytes));
      std::printf("  %-44s peak resident (the child's ru_maxrss): median %.1f MiB\n", "",
                  MedianMiB(peaks[k]));
    }
    bench::PrintRatio("ratio fetch_file / curl", t[0], t[1]);
    bench::PrintRatio("ratio fetch_file / wget", t[0], t[2]);
  }

  std::printf(
      "in this process, in turn: DownloadAllJob over one row, from its start to its closing "
      "message, vs the bare Fetch + PartFile it uses\n");
  const fs::path folder = dir / "job";
  fs::create_directories(folder);
  std::vector<std::vector<Resident>> memory(2);
  auto job = [&] {
    Resident r;
    const double s = RunInProcess([&](double* s) { return RunJob(url, folder, s); },
                                  folder / "bench.mp4", source, &r);
    memory[0].push_back(r);
    return s;
  };
  auto bare = [&] {
    Resident r;
    const double s = RunInProcess(
        [&](double* s) {
          bool ok = false;
          *s = bench::Seconds([&] { ok = bench::FetchToFile(url, out.string()); });
          return ok;
        },
        out, source, &r);
    memory[1].push_back(r);
    return s;
  };
  t = bench::RunRounds(rounds, {job, bare});
  if (t.empty()) {
    ok = false;
  } else {
    const char* names[] = {"DownloadAllJob", "Fetch + PartFile"};
    for (size_t k = 0; k < 2; ++k) {
      memory[k].erase(memory[k].begin());
      std::vector<long> peak, before;
      for (const Resident& r : memory[k]) {
        peak.push_back(r.peakKiB);
        before.push_back(r.beforeKiB);
      }
      bench::PrintTimes(names[k], t[k]);
      PrintSpeed(t[k], static_cast<double>(mebibytes));
      std::printf(
          "  %-44s peak resident (VmHWM, reset before the run): median %.1f MiB, resident "
          "before: %.1f MiB\n",
          "", MedianMiB(peak), MedianMiB(before));
    }
    bench::PrintRatio("ratio DownloadAllJob / Fetch + PartFile", t[0], t[1]);
  }
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  fs::remove_all(folder);
  fs::remove(source);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 10;
  std::vector<size_t> sizes;
  for (int k = 2; k < argc; ++k) sizes.push_back(std::stoul(argv[k]));
  if (sizes.empty()) sizes = {1, 16, 256};
  if (rounds < 1) return 2;
  if (!ResetPeak()) std::printf("note: /proc/self/clear_refs refused; VmHWM is not reset\n");
  const fs::path dir = fs::temp_directory_path() / ("quorrin-dlbench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  bool ok = true;
  for (const size_t mebibytes : sizes) ok = BenchSize(mebibytes, rounds, dir) && ok;
  fs::remove_all(dir);
  return ok ? 0 : 1;
}
