// Runs a source's pattern over one page and appends the first group of every
// match to the ID buffer; says so in the song list's caption when nothing came.
#pragma once

#include "jobs/job_window.h"
#include "webtext/text.h"

namespace quorrin {

// Captions of the group box that frames the song list.
inline constexpr const char* kSongCaption = "神曲";
inline constexpr const char* kEngineFailedCaption = "神曲（获取内容失败......）";
inline constexpr const char* kNoMatchCaption = "神曲（匹配内容数据失败......）";

// Writes one of the failure captions above onto the song list's frame.
void FailureCaption(JobWindow& window, const char* utf8Caption);

void CollectCaptures(JobWindow& window, const Text& pattern, const Text& text);

}  // namespace quorrin
