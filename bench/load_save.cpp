// Loads a document the way the main window does and saves it again:
// load_save IN OUT. Measured with /usr/bin/time -v against baseline_copy.
#include <iostream>

#include "document/error.h"
#include "document/subtitle_file.h"
#include "document/subtitle_list.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: load_save IN OUT\n";
    return 2;
  }
  try {
    velorin::SubtitleList doc;
    auto read = velorin::ReadSubtitleLines(argv[1]);
    doc.SetUtf8(read.utf8);
    doc.Assign(std::move(read.lines));
    velorin::WriteSubtitleFile(argv[2], doc.Lines());
  } catch (const velorin::Error& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
