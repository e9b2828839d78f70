#include "harvest/harvest_job.h"

#include "harvest/capture_collection.h"
#include "harvest/song_table.h"
#include "webtext/codepage.h"
#include "webtext/fetch.h"

namespace quorrin {

ResolvedWork ResolveWork(const Text& playAddress, const std::atomic<bool>* cancel) {
  const Text page = FetchPageText(playAddress, cancel);
  ResolvedWork work;
  work.title = TextBetween(page, "<title>"_t, Utf8ToLocal("-在线播放-"_u8));
  work.downloadAddress = TextBetween(page, "worksUrl:\""_t, "\",worksName"_t);
  return work;
}

Text PlayAddress(const std::string& shenquHost, const WorkId& id) {
  return "http://"_t + Text(shenquHost) + "/play/id_"_t + id + ".html"_t;
}

Job HarvestJob(WorkIdSource source, std::string shenquHost, std::function<void()> admitted) {
  return [source = std::move(source), host = std::move(shenquHost),
          admitted = std::move(admitted)](JobContext& job) {
    if (!BeginJob(job)) return;
    if (admitted) admitted();
    JobWindow& window = job.window();
    SongTable table(window);
    IdBuffer buffer(window);
    table.Clear();
    buffer.Empty();
    // An admitted harvest starts with a clean caption, so an earlier failure
    // text never stands over a good list.
    window.SetCaption(controls::kSongGroup, Utf8ToLocal(kSongCaption));
    HarvestEnv env{window, job.CancelFlag()};
    source.CollectIds(env);
    const std::vector<WorkId> ids = SplitIdBuffer(buffer.Read());
    for (size_t i = 0; i < ids.size() && !job.Ended(); ++i) {
      const int row = static_cast<int>(i);
      const WorkId& id = ids[i];
      table.AppendRow();
      table.SetCell(row, kNumberColumn, NumberText(static_cast<long long>(i) + 1));
      table.SetCell(row, kWorkIdColumn, id);
      const Text play = PlayAddress(host, id);
      table.SetCell(row, kPlayAddressColumn, play);
      const ResolvedWork work = ResolveWork(play, job.CancelFlag());
      table.SetCell(row, kTitleColumn, work.title);
      table.SetCell(row, kDownloadAddressColumn, work.downloadAddress);
      if (!job.token().SleepFor(RowPacing)) return;
    }
    SetIdle(job);
  };
}

}  // namespace quorrin
