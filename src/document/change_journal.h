#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/line_store.h"
#include "document/text_encoding.h"

namespace velorin {

class SubtitleList;

// What a command changed in a SubtitleList, kept compactly enough that a
// recalculation of a million rows costs about twenty bytes a row: a replaced
// line keeps only the bytes that differ (between the common beginning and
// end), a sort only its permutation. Changes are appended as one byte stream
// and taken back (Undo) or done again (Redo) on the list they were made on.
class ChangeSet {
 public:
  bool Empty() const { return ops_ == 0; }
  size_t Bytes() const { return bytes_.capacity(); }

  // Recording, in the order the changes are made.
  void Replaced(int row, std::string_view before, std::string_view after);
  void Inserted(int row, std::string_view line);
  void Deleted(int row, std::string_view line);
  // Rows (ascending) removed at once, with their lines.
  void DeletedRows(const std::vector<int>& rows, LineSpan lines);
  // New row i holds what was row order[i].
  void Permuted(const std::vector<uint32_t>& order);
  // The whole content replaced.
  void Reassigned(LineSpan before, LineSpan after);
  // The changes recorded between these two make the list over as a whole, as
  // Reassigned does, but cost only what they change: taken back or done
  // again they leave none of their rows selected, as new content does.
  void WholeListBegin() { Marker(kWholeList); }
  void WholeListEnd() { Marker(kWholeList); }

  // The document's encoding set anew (its bytes unchanged).
  void EncodingChanged(TextEncoding before, TextEncoding after);
  // Moves the changes of other to the end of this one.
  void Append(ChangeSet&& other);

  // Takes the changes back, last first, or does them again, first first;
  // selects the rows they leave changed and returns them. The list must be as
  // the changes left it (Undo) or found it (Redo); it records nothing meanwhile.
  std::vector<int> Undo(SubtitleList& list) const;
  std::vector<int> Redo(SubtitleList& list) const;

 private:
  enum Kind : uint8_t {
    kReplace,
    kReplacePacked,  // the middles two characters to a byte
    kInsert,
    kDelete,
    kDeleteRows,
    kPermute,
    kReassign,
    kRowsFromZero,  // replaced rows are counted from 0 again
    kWholeList,     // begins or ends changes whose rows are not selected after
    kEncoding,      // the encoding before and after
  };
  // Where an op starts, and the replaced row its row difference counts from.
  struct OpAt {
    size_t start;
    int rowBefore;
  };
  void Marker(Kind kind) {
    bytes_.push_back(static_cast<char>(kind));
    ++ops_;
  }
  // Runs ops in the given order; rows touched between two kWholeList markers
  // are forgotten.
  template <typename It>
  void ApplyAll(SubtitleList& list, It first, It last, bool undo, std::vector<int>& touched) const;
  void Put(uint64_t v);
  void PutBytes(std::string_view s);
  std::vector<OpAt> Ops() const;
  void Apply(SubtitleList& list, OpAt op, bool undo, std::vector<int>& touched) const;
  // Selects the touched rows that still exist and puts the cursor on the first.
  static std::vector<int> Finish(SubtitleList& list, std::vector<int> touched);

  std::string bytes_;
  size_t ops_ = 0;
  int lastRow_ = 0;  // the last replaced row, which the next one counts from
};

}  // namespace velorin
