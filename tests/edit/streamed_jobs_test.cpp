// The command line's jobs read a document once and write as they go; each
// must give the bytes, status and error of the same job run on the list in
// memory and saved.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "convert/srt_export.h"
#include "document/error.h"
#include "document/subtitle_file.h"
#include "document/subtitle_line.h"
#include "edit/completion.h"
#include "layout/line_breaking.h"
#include "sync/sync_points.h"

namespace velorin {
namespace {

// What a job gave: its bytes, or the status or error that stopped it.
struct Result {
  std::string bytes;
  std::string stop;  // empty when the job finished
  bool operator==(const Result&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Result& r) {
  return out << (r.stop.empty() ? "bytes " + r.bytes : "stopped: " + r.stop);
}

template <typename Fn>
Result Outcome(Fn&& fn) {
  Result r;
  try {
    r.stop = fn(r.bytes);
  } catch (const Error& e) {
    r.stop = e.what();
  }
  if (!r.stop.empty()) r.bytes.clear();
  return r;
}

const std::vector<std::vector<std::string>> kDocuments = {
    // Tags in both scopes, several display lines, an empty second frame.
    {"{10}{50}{Y:i}Ahoj, jak se máš?|{y:b}Dobře.", "{60}{}Nevím, co říct, všechno se změnilo.",
     "{100}{120}{c:$00FFFF}Pozor!|Za tebou!|Utíkej!", "{130}{}a|b|c|d|e|f|g"},
    // Rows completion drops (no first frame, no text), stray braces.
    {"{}{5}x", "{7}{9}", "{20}{}text }with{ braces", "{30}{31}{s:30}{unclosed", "{40}{}last"},
    // Windows-1250 bytes.
    {"{1}{2}\xe8\x61j \xe8\x61j \xe8\x61j", "{3}{}\x9e\x6c\x75\x9d\x6f\x75\xe8\x6b\xfd k\xf9\xf2"},
    // Frames near the largest number, and one too large to read.
    {"{2147483000}{}a b", "{2147483600}{2147483647}c d", "{5}{6}e"},
    {"{1}{2}a", "{99999999999}{3}b", "{4}{5}c"},
    // A completed second frame too large, then a frame too large to read.
    {"{1}{}a b c", "{2147483600}{}b"},
    {"{1}{}a b c", "{2147483600}{}b", "{99999999999}{}c"},
    // Heads written otherwise than their frames are: a leading zero, a 0,
    // blanks, a sign, a letter; then one written as it reads.
    {"{0100}{0}a b", "{ 5}{6 }c d", "{7}{-8}e f", "{x9}{10}g h", "{0}{}i j", "{11}{12}k l"},
};

// A row's first frame, 0 when it cannot be read (the job finds that itself).
int32_t OldFrame(std::string_view line) { return ReadFrameField(line).Value().value_or(0); }

LineSource SourceOf(const std::vector<std::string>& lines) {
  return [&lines](const LineSink& sink) {
    for (const std::string& line : lines) sink(line);
  };
}

SubtitleList ListOf(const std::vector<std::string>& lines, const std::vector<char>* selection) {
  SubtitleList list;
  list.Assign(lines);
  for (size_t i = 0; i < lines.size(); ++i)
    list.SetSelected(static_cast<int>(i), !selection || (*selection)[i]);
  return list;
}

// Every document with every row selected, and with every other row.
template <typename Check>
void ForEachDocument(Check&& check) {
  for (const auto& doc : kDocuments) {
    std::vector<char> alternate(doc.size());
    for (size_t i = 0; i < doc.size(); i += 2) alternate[i] = 1;
    for (const std::vector<char>* selection : {static_cast<std::vector<char>*>(nullptr), &alternate})
      check(doc, selection);
  }
}

TEST(StreamedJobs, CompletionAsOnTheList) {
  const CompletionSeconds tables[] = {{3, 5, 7, 9, 11}, {1, 1, 1, 1, 200000}};
  ForEachDocument([&](const auto& doc, const std::vector<char>* selection) {
    for (const CompletionSeconds& seconds : tables) {
      for (bool onlyEmpty : {false, true}) {
        const Result inMemory = Outcome([&](std::string& bytes) -> std::string {
          SubtitleList list = ListOf(doc, selection);
          if (CompleteSecondFrames(list, seconds, onlyEmpty) == CompletionStatus::TooLarge)
            return "too large";
          bytes = ComposeFileBytes(list.Lines());
          return {};
        });
        const Result streamed = Outcome([&](std::string& bytes) -> std::string {
          const CompletionStatus status =
              WriteCompletedLines(SourceOf(doc), selection, seconds, onlyEmpty,
                                  [&](std::string_view piece) { bytes.append(piece); });
          return status == CompletionStatus::TooLarge ? "too large" : "";
        });
        EXPECT_EQ(streamed, inMemory) << doc[0] << " only empty " << onlyEmpty;
      }
    }
    const Result removed = Outcome([&](std::string& bytes) -> std::string {
      SubtitleList list = ListOf(doc, selection);
      RemoveSecondFrames(list);
      bytes = ComposeFileBytes(list.Lines());
      return {};
    });
    EXPECT_EQ(Outcome([&](std::string& bytes) -> std::string {
                WriteWithoutSecondFrames(SourceOf(doc), selection,
                                         [&](std::string_view piece) { bytes.append(piece); });
                return {};
              }),
              removed)
        << doc[0];
  });
}

TEST(StreamedJobs, LineCountAsOnTheList) {
  ForEachDocument([&](const auto& doc, const std::vector<char>* selection) {
    for (int breaks = 0; breaks <= 4; ++breaks) {
      for (bool maximum : {false, true}) {
        for (bool utf8 : {false, true}) {
          const Result inMemory = Outcome([&](std::string& bytes) -> std::string {
            SubtitleList list = ListOf(doc, selection);
            list.SetUtf8(utf8);
            ChangeLineCount(list, breaks, maximum);
            bytes = ComposeFileBytes(list.Lines());
            return {};
          });
          const Result streamed = Outcome([&](std::string& bytes) -> std::string {
            WriteLineCountChanged(SourceOf(doc), selection, breaks, maximum, utf8,
                                  [&](std::string_view piece) { bytes.append(piece); });
            return {};
          });
          EXPECT_EQ(streamed, inMemory) << doc[0] << " breaks " << breaks;
        }
      }
    }
  });
}

TEST(StreamedJobs, SynchronizationAsOnTheList) {
  for (const auto& doc : kDocuments) {
    const int last = static_cast<int>(doc.size()) - 1;
    const SyncPoints plans[] = {
        {{100, OldFrame(doc[0]), 0}, {900, OldFrame(doc[last]), last}},
        {{5, OldFrame(doc[1]), 1}, {2147483600, OldFrame(doc[last]), last}},
        {{5, 1, 0}, {4, 2, 1}},  // out of order
    };
    for (const SyncPoints& points : plans) {
      const Result inMemory = Outcome([&](std::string& bytes) -> std::string {
        SubtitleList list = ListOf(doc, nullptr);
        const SyncStatus status = Synchronize(list, points);
        if (status != SyncStatus::Done) return std::string(SyncStatusMessage(status));
        bytes = ComposeFileBytes(list.Lines());
        return {};
      });
      const Result streamed = Outcome([&](std::string& bytes) -> std::string {
        const SyncStatus status = WriteSynchronizedLines(
            SourceOf(doc), doc.size(), points, [&](std::string_view p) { bytes.append(p); });
        return std::string(SyncStatusMessage(status));
      });
      EXPECT_EQ(streamed, inMemory) << doc[0];
    }
  }
}

TEST(StreamedJobs, SrtExportAsOfTheList) {
  for (const auto& doc : kDocuments) {
    const Result inMemory = Outcome([&](std::string& bytes) -> std::string {
      bytes = ComposeSrtBytes(doc, FrameRate(25000));
      return {};
    });
    const Result streamed = Outcome([&](std::string& bytes) -> std::string {
      EXPECT_EQ(WriteSrtLines(SourceOf(doc), FrameRate(25000), [&](std::string_view p) { bytes.append(p); }),
                doc.size());
      return {};
    });
    EXPECT_EQ(streamed, inMemory) << doc[0];
  }
}

}  // namespace
}  // namespace velorin
