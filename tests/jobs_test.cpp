#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "jobs/job_control.h"
#include "jobs/memory_window.h"
#include "support/local_text.h"

namespace quorrin {
namespace {

using namespace std::chrono_literals;
using test::L;

struct Fixture {
  explicit Fixture(bool autoClose = true) : window(autoClose) {
    control = CreateWorkerRegistry(window);
    SetIdle(*control);
  }
  ~Fixture() {
    EndAllWorkers(*control);
    ReleaseJobControl(*control);
  }
  MemoryWindow window;
  std::unique_ptr<JobControl> control;
};

// A job that takes the flag, writes one text and waits until released.
Job HoldingJob(std::atomic<bool>& release, std::atomic<int>& admitted) {
  return [&release, &admitted](JobContext& job) {
    if (!BeginJob(job)) return;
    ++admitted;
    job.window().SetText(controls::kStatusLine, "working"_t);
    job.token().WaitUntil([&] { return release.load(); });
    SetIdle(job);
  };
}

TEST(BusyFlag, BusyUntilSetIdleThenOneHolderAtATime) {
  BusyFlag flag;
  EXPECT_FALSE(flag.Idle());
  EXPECT_FALSE(flag.TryTake(1));
  flag.SetIdle();
  EXPECT_TRUE(flag.TryTake(1));
  EXPECT_FALSE(flag.TryTake(2));
  flag.Release(2);  // not its hold
  EXPECT_FALSE(flag.Idle());
  flag.Release(1);
  EXPECT_TRUE(flag.Idle());
}

TEST(JobControl, TwoJobsTogetherAdmitExactlyOne) {
  Fixture f;
  std::atomic<bool> release{false};
  std::atomic<int> admitted{0};
  StartJob(*f.control, HoldingJob(release, admitted));
  StartJob(*f.control, HoldingJob(release, admitted));
  ASSERT_TRUE(f.window.WaitFor([&] { return f.window.Messages().size() == 1; }));
  EXPECT_EQ(admitted.load(), 1);
  const auto m = f.window.Messages()[0];
  EXPECT_EQ(m.text, L("有其他线程正在运行，请稍后"));
  EXPECT_EQ(m.title, L("错误"));
  release = true;
  for (auto& w : f.control->registry) w.token->Notify();
  ASSERT_TRUE(WaitForWorkers(*f.control, 5s));
  EXPECT_TRUE(f.control->flag.Idle());
  // The refused job changed nothing: one status text only.
  int statusWrites = 0;
  for (const auto& c : f.window.Calls()) statusWrites += c.rfind("SetText", 0) == 0;
  EXPECT_EQ(statusWrites, 1);
}

TEST(JobControl, WaitingInItsMessageStillHoldsTheFlag) {
  Fixture f(/*autoClose=*/false);
  StartJob(*f.control, [](JobContext& job) {
    if (!BeginJob(job)) return;
    job.window().ShowMessage("done"_t, "OK"_t);
    job.window().SetText(controls::kStatusLine, "after"_t);
    SetIdle(job);
  });
  ASSERT_TRUE(f.window.WaitFor([&] { return f.window.OpenMessages().size() == 1; }));
  std::atomic<int> admitted{0};
  std::atomic<bool> release{true};
  StartJob(*f.control, HoldingJob(release, admitted));
  ASSERT_TRUE(f.window.WaitFor([&] { return f.window.OpenMessages().size() == 2; }));
  EXPECT_EQ(admitted.load(), 0);
  EXPECT_EQ(f.window.OpenMessages()[1].text, L("有其他线程正在运行，请稍后"));
  // The user closes both boxes; the first job finishes and frees the flag.
  for (const auto& m : f.window.OpenMessages()) f.window.CloseByUser(m.id);
  ASSERT_TRUE(WaitForWorkers(*f.control, 5s));
  EXPECT_EQ(f.window.TextOf(controls::kStatusLine), "after"_t);
  EXPECT_TRUE(f.control->flag.Idle());
}

TEST(JobControl, StopEndsTheJobAtOnceAndDropsItsLateCalls) {
  Fixture f;
  std::atomic<int> loops{0};
  StartJob(*f.control, [&](JobContext& job) {
    if (!BeginJob(job)) return;
    while (true) {
      job.window().AppendText(controls::kIdBuffer, "x"_t);
      ++loops;
      std::this_thread::yield();  // keeps writing after the stop, as a careless job would
      if (loops > 2000000) break;
      if (job.Ended() && loops % 1000 == 0) {
        job.window().SetText(controls::kStatusLine, "late"_t);
        break;
      }
    }
    SetIdle(job);
  });
  ASSERT_TRUE(f.window.WaitFor([&] { return loops.load() > 100; }));
  const auto begin = std::chrono::steady_clock::now();
  StopAllJobs(*f.control);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 1s);
  const size_t callsAtStop = f.window.CallCount();
  EXPECT_TRUE(f.control->flag.Idle());
  ASSERT_TRUE(WaitForWorkers(*f.control, 5s));
  EXPECT_EQ(f.window.CallCount(), callsAtStop);
  EXPECT_EQ(f.window.TextOf(controls::kStatusLine), ""_t);
}

TEST(JobControl, StopWakesPacingAndMessageWaits) {
  Fixture f(/*autoClose=*/false);
  StartJob(*f.control, [](JobContext& job) {
    if (!BeginJob(job)) return;
    job.token().SleepFor(60s);
    job.window().SetText(controls::kStatusLine, "late"_t);
  });
  StartJob(*f.control, [](JobContext& job) {
    job.window().ShowMessage("waiting"_t, "t"_t);  // stays open until stop
    job.window().SetText(controls::kStatusLine, "late"_t);
  });
  ASSERT_TRUE(f.window.WaitFor([&] { return f.window.OpenMessages().size() == 1; }));
  StopAllJobs(*f.control);
  ASSERT_TRUE(WaitForWorkers(*f.control, 2s));
  EXPECT_TRUE(f.window.OpenMessages().empty());  // the ended job's box was closed
  EXPECT_EQ(f.window.TextOf(controls::kStatusLine), ""_t);
}

TEST(JobControl, StopWithNothingRunningLeavesTheFlagIdle) {
  Fixture f;
  StopAllJobs(*f.control);
  StopAllJobs(*f.control);
  EXPECT_TRUE(f.control->flag.Idle());
  EXPECT_EQ(f.window.CallCount(), 0u);
}

TEST(JobControl, EndedJobsLateReleaseKeepsNewerJobsFlag) {
  Fixture f;
  std::atomic<bool> go{false};
  StartJob(*f.control, [&](JobContext& job) {
    if (!BeginJob(job)) return;
    while (!go) std::this_thread::sleep_for(1ms);  // ignores the stop for a while
    SetIdle(job);
  });
  ASSERT_TRUE(f.window.WaitFor([&] { return !f.control->flag.Idle(); }));
  StopAllJobs(*f.control);
  std::atomic<bool> release{false};
  std::atomic<int> admitted{0};
  StartJob(*f.control, HoldingJob(release, admitted));
  ASSERT_TRUE(f.window.WaitFor([&] { return admitted.load() == 1; }));
  go = true;  // the ended job now reaches its SetIdle
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(f.control->flag.Idle());
  release = true;
  f.control->registry.back().token->Notify();
  ASSERT_TRUE(WaitForWorkers(*f.control, 5s));
  EXPECT_TRUE(f.control->flag.Idle());
}

TEST(JobControl, AJobStoppedJustBeforeItTakesTheFlagLeavesItIdle) {
  Fixture f;
  std::atomic<bool> reached{false}, stopped{false};
  f.control->beforeTake = [&] {  // the stop lands between the job's look and its take
    reached = true;
    while (!stopped) std::this_thread::sleep_for(1ms);
  };
  std::atomic<int> admitted{0};
  auto job = [&](JobContext& job) {
    if (!BeginJob(job)) return;
    ++admitted;
    SetIdle(job);
  };
  StartJob(*f.control, job);
  ASSERT_TRUE(f.window.WaitFor([&] { return reached.load(); }));
  StopAllJobs(*f.control);
  stopped = true;
  ASSERT_TRUE(WaitForWorkers(*f.control, 2s));
  EXPECT_EQ(admitted.load(), 0);
  EXPECT_TRUE(f.control->flag.Idle());

  f.control->beforeTake = nullptr;
  StartJob(*f.control, job);
  ASSERT_TRUE(WaitForWorkers(*f.control, 2s));
  EXPECT_EQ(admitted.load(), 1);
  EXPECT_TRUE(f.control->flag.Idle());
  EXPECT_TRUE(f.window.Messages().empty());
}

TEST(JobControl, EndAllWorkersLeavesTheFlagAsItIs) {
  Fixture f;
  std::atomic<bool> release{false};
  std::atomic<int> admitted{0};
  StartJob(*f.control, HoldingJob(release, admitted));
  ASSERT_TRUE(f.window.WaitFor([&] { return admitted.load() == 1; }));
  EndAllWorkers(*f.control);
  ASSERT_TRUE(WaitForWorkers(*f.control, 2s));
  EXPECT_FALSE(f.control->flag.Idle());
}

TEST(JobControl, FinishedWorkersLeaveRunningOnesStay) {
  Fixture f;
  for (int i = 0; i < 5; ++i) {
    StartJob(*f.control, [](JobContext& job) {
      if (BeginJob(job)) SetIdle(job);
    });
    ASSERT_TRUE(WaitForWorkers(*f.control, 2s));
  }
  std::atomic<bool> release{false};
  std::atomic<int> admitted{0};
  StartJob(*f.control, HoldingJob(release, admitted));
  EXPECT_LE(f.control->registry.size(), 2u);
  EXPECT_EQ(RunningWorkers(*f.control), 1);
  StopAllJobs(*f.control);
  ASSERT_TRUE(WaitForWorkers(*f.control, 2s));
}

TEST(MemoryWindow, WithoutRecordingKeepsEveryValueButNoCalls) {
  for (const bool record : {true, false}) {
    MemoryWindow window(/*autoClose=*/true, record);
    window.SetText(controls::kStatusLine, "s"_t, nullptr);
    window.AppendRow(nullptr);
    window.SetCell(0, 1, "t"_t, nullptr);
    window.OpenMessage("m"_t, "x"_t, nullptr, nullptr);
    EXPECT_EQ(window.TextOf(controls::kStatusLine), "s"_t);
    EXPECT_EQ(window.CellText(0, 1, nullptr), "t"_t);
    EXPECT_EQ(window.Messages().size(), 1u);
    EXPECT_EQ(window.CallCount(), record ? 4u : 0u) << record;
  }
}

}  // namespace
}  // namespace quorrin
