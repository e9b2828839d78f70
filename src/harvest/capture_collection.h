// Runs a source's pattern over one page and appends the first group of every
// match to the ID buffer; says so in the song list's caption when nothing came.
#pragma once

#include "jobs/job_window.h"
#include "webtext/text.h"

namespace quorrin {

// Captions of the group box that frames the song list.
inline const Utf8 kSongCaption = "神曲"_u8;
inline const Utf8 kEngineFailedCaption = "神曲（获取内容失败......）"_u8;
inline const Utf8 kNoMatchCaption = "神曲（匹配内容数据失败......）"_u8;

// Writes one of the failure captions above onto the song list's frame.
void FailureCaption(JobWindow& window, const Utf8& caption);

// Takes the page text to keep it for the matcher; move a page in.
void CollectCaptures(JobWindow& window, const Text& pattern, Text text);

}  // namespace quorrin
